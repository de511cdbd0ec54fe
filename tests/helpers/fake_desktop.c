/* A stand-in for the shell's desktop: "Progman" > "SHELLDLL_DefView" > SysListView32 "FolderView" with icons
   named on the command line. Usage: fake_desktop <report file> [autoarrange] label...
   WM_APP + 1 writes "label x y" per icon to the report file (and answers when done); WM_APP + 2 answers
   whether the list view has auto-arrange on. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

static HWND listView;
static const char* reportPath;

static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP + 1) {
        FILE* f = fopen(reportPath, "w");
        int n = (int)SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; f && i < n; ++i) {
            char text[260] = "";
            POINT p = {0, 0};
            ListView_GetItemText(listView, i, 0, text, sizeof text);
            ListView_GetItemPosition(listView, i, &p);
            fprintf(f, "%s %ld %ld\n", text, (long)p.x, (long)p.y);
        }
        if (f) fclose(f);
        return 1;
    }
    if (message == WM_APP + 2) return (GetWindowLongA(listView, GWL_STYLE) & LVS_AUTOARRANGE) != 0;
    if (message == WM_DESTROY && !GetParent(hwnd)) PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    reportPath = argv[1];
    int first = 2;
    DWORD style = WS_CHILD | WS_VISIBLE | LVS_ICON;
    if (argc > 2 && strcmp(argv[2], "autoarrange") == 0) {
        style |= LVS_AUTOARRANGE;
        ++first;
    }
    InitCommonControls();
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "Progman";
    RegisterClassA(&wc);
    wc.lpszClassName = "SHELLDLL_DefView";
    RegisterClassA(&wc);
    HWND progman = CreateWindowExA(0, "Progman", "Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400,
                                   NULL, NULL, wc.hInstance, NULL);
    HWND view = CreateWindowExA(0, "SHELLDLL_DefView", "", WS_CHILD | WS_VISIBLE, 0, 0, 600, 400, progman,
                                NULL, wc.hInstance, NULL);
    listView =
        CreateWindowExA(0, WC_LISTVIEWA, "FolderView", style, 0, 0, 600, 400, view, NULL, wc.hInstance, NULL);
    for (int i = first; i < argc; ++i) {
        LVITEMA item = {0};
        item.mask = LVIF_TEXT;
        item.iItem = i - first;
        item.pszText = argv[i];
        SendMessageA(listView, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
    /* Wine's list view lays its icons out at its first paint; only after it do placed icons stay put.
       An auto-arranging desktop keeps the places the arrangement gives. */
    UpdateWindow(listView);
    for (int i = 0; !(style & LVS_AUTOARRANGE) && i < argc - first; ++i)
        SendMessageA(listView, LVM_SETITEMPOSITION, i, MAKELPARAM(20 + 90 * i, 30));
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
