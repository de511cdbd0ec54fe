#include "Functions.h"

#include "FormatConsts.h"
#include "ResourceIds.h"
#include "WindowText.h"
#include "framework/Handles.h"

#include <cstring>

namespace {

struct FindRequest {
    HWND parent;
    HWND startAfter;
    const char* className;
    const char* windowText;
    bool started;
    HWND found;
};

bool matches(HWND wnd, const FindRequest& request) {
    if (request.className) {
        char name[256] = {};
        GetClassNameA(wnd, name, sizeof name);
        if (std::strcmp(name, request.className) != 0) return false;
    }
    if (request.windowText) {
        std::string text;
        if (ReadWindowText(wnd, text) != WindowTextResult::Ok || text != request.windowText) return false;
    }
    return true;
}

BOOL CALLBACK considerWindow(HWND wnd, LPARAM param) {
    auto& request = *reinterpret_cast<FindRequest*>(param);
    if (request.parent && GetAncestor(wnd, GA_PARENT) != request.parent) return TRUE;
    if (!request.started) {
        request.started = wnd == request.startAfter;
        return TRUE;
    }
    if (!matches(wnd, request)) return TRUE;
    request.found = wnd;
    return FALSE;
}

} // namespace

HWND EmulateFindWindowEx(HWND parent, HWND startAfter, const char* className, const char* windowText) {
    if (parent && !IsWindow(parent)) return nullptr;
    FindRequest request{parent, startAfter, className, windowText, startAfter == nullptr, nullptr};
    if (parent)
        EnumChildWindows(parent, considerWindow, reinterpret_cast<LPARAM>(&request));
    else
        EnumWindows(considerWindow, reinterpret_cast<LPARAM>(&request));
    return request.found;
}

std::string NoWindowFoundText() {
    char text[256] = {};
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_NOWINDOWFOUND, text, sizeof text) > 0) return text;
    return "<no window found>";
}

std::uint32_t ParseWindowHandle(const std::string& text, bool& error, std::string* message) {
    error = false;
    if (message && text == NoWindowFoundText()) {
        error = true;
        *message = "No such window found";
        return 0;
    }
    bool parseError = false;
    auto value = static_cast<std::uint32_t>(ParseNumber(text, &parseError));
    if (parseError) {
        error = true;
        if (message) *message = "\"" + text + "\" is not a valid Handle-Value";
        return 0;
    }
    if (message && !IsWindow(reinterpret_cast<HWND>(static_cast<UINT_PTR>(value)))) {
        error = true;
        *message = "No such window found";
    }
    return value;
}

void DelayWithMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    // Unsigned difference: correct across the tick counter's wrap.
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
}

void RedrawWindowFull(HWND wnd) {
    InvalidateRect(wnd, nullptr, TRUE);
    UpdateWindow(wnd);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void BlinkWindow(HWND wnd) {
    RECT r;
    if (!GetWindowRect(wnd, &r)) return;
    fw::WindowDC dc(wnd, true);
    if (!dc.get()) return;
    PatBlt(dc.get(), 0, 0, r.right - r.left, r.bottom - r.top, DSTINVERT);
    DelayWithMessages(350);
    RedrawWindowFull(wnd);
}
