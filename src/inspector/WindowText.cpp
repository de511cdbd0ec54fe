#include "WindowText.h"

#include "core/Placeholders.h"

#include <vector>

namespace {

// Texts longer than this are cut: a length reported by another process is not trusted for allocation.
constexpr DWORD_PTR MaxWindowText = 1 << 20;

bool send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT timeoutMs, DWORD_PTR& result,
          WindowTextResult& failure) {
    SetLastError(0);
    if (SendMessageTimeoutA(wnd, msg, wParam, lParam, SMTO_NORMAL, timeoutMs, &result)) return true;
    failure = GetLastError() == ERROR_TIMEOUT ? WindowTextResult::TimedOut : WindowTextResult::Failed;
    return false;
}

} // namespace

WindowTextResult ReadWindowText(HWND wnd, std::string& text, UINT timeoutMs) {
    text.clear();
    WindowTextResult failure = WindowTextResult::Failed;
    DWORD_PTR length = 0, copied = 0;
    // Wine answers WM_GETTEXTLENGTH across processes without honouring the time-out; a plain message
    // with the same limit finds a hung window first.
    if (!send(wnd, WM_NULL, 0, 0, timeoutMs, length, failure)) return failure;
    if (!send(wnd, WM_GETTEXTLENGTH, 0, 0, timeoutMs, length, failure)) return failure;
    if (length > MaxWindowText) length = MaxWindowText;
    std::vector<char> buffer(length + 1, '\0');
    if (!send(wnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(buffer.data()), timeoutMs, copied,
              failure))
        return failure;
    buffer[length] = '\0';
    text = buffer.data();
    return WindowTextResult::Ok;
}

std::string WindowTextOrPlaceholder(HWND wnd) {
    std::string text;
    switch (ReadWindowText(wnd, text)) {
    case WindowTextResult::Ok:
        return text;
    case WindowTextResult::TimedOut:
        return TextSendMessageTimedOut;
    case WindowTextResult::Failed:
        break;
    }
    return TextSendMessageFailed;
}
