/* Stands in for a registered program: writes its whole command line into the file named by its first
   argument, complete or not at all (written aside, then renamed). */
#include <windows.h>

#include <string.h>

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    char partial[MAX_PATH + 8];
    lstrcpynA(partial, argv[1], MAX_PATH);
    lstrcatA(partial, ".part");
    HANDLE file = CreateFileA(partial, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(file);
    return MoveFileExA(partial, argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
