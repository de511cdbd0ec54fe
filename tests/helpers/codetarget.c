/* A child process whose edit control the code generator tests find: a top-level window "ostrel code
   target" (class "OstrelCodeTarget") holding a dialog "Inner" (control ID 7) that holds a label and an
   edit (control ID 1001) with the text: it's "typed". It answers its messages for a minute at most. The
   top-level window shows only once its children exist, so whoever finds it visible finds them too. */
#include <windows.h>

int main(void) {
    WNDCLASSA wc = {0};
    DWORD start = GetTickCount();
    HWND top, inner;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "OstrelCodeTarget";
    RegisterClassA(&wc);
    top = CreateWindowExA(0, wc.lpszClassName, "ostrel code target", WS_OVERLAPPEDWINDOW, 420, 60, 300, 200,
                          NULL, NULL, wc.hInstance, NULL);
    inner = CreateWindowExA(WS_EX_CONTROLPARENT, "#32770", "Inner", WS_CHILD | WS_VISIBLE, 0, 0, 280, 150,
                            top, (HMENU)7, wc.hInstance, NULL);
    CreateWindowExA(0, "STATIC", "label", WS_CHILD | WS_VISIBLE, 10, 10, 80, 20, inner, (HMENU)1000,
                    wc.hInstance, NULL);
    CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "it's \"typed\"", WS_CHILD | WS_VISIBLE, 10, 40, 200, 22, inner,
                    (HMENU)1001, wc.hInstance, NULL);
    ShowWindow(top, SW_SHOW);
    while (GetTickCount() - start < 60000) {
        MSG msg;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return 0;
}
