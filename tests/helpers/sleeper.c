/* A child process for tests to inspect and terminate: it only waits, a minute at most. */
#include <windows.h>

int main(void)
{
    Sleep(60000);
    return 0;
}
