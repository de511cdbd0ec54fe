#include "WindowText.h"

#include "core/Placeholders.h"

#include <vector>

namespace {

// Texts longer than this are cut: a length reported by another process is not trusted for allocation.
constexpr DWORD_PTR MaxWindowText = 1 << 20;

// Wine waits for the answer to the ANSI WM_GETTEXTLENGTH of another process's window as long as that
// window does not answer, whatever the time-out; it keeps the time-out of the wide form, whose length
// bounds the ANSI one (no character of an ANSI code page takes more than two bytes).
bool AskWideLength() {
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

bool send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT timeoutMs, UINT flags, DWORD_PTR& result,
          WindowTextResult& failure, bool wide = false) {
    SetLastError(0);
    if ((wide ? SendMessageTimeoutW : SendMessageTimeoutA)(wnd, msg, wParam, lParam, flags, timeoutMs,
                                                           &result))
        return true;
    failure = GetLastError() == ERROR_TIMEOUT ? WindowTextResult::TimedOut : WindowTextResult::Failed;
    return false;
}

} // namespace

WindowTextResult ReadWindowText(HWND wnd, std::string& text, UINT timeoutMs, bool skipHung) {
    text.clear();
    WindowTextResult failure = WindowTextResult::Failed;
    DWORD_PTR length = 0, copied = 0;
    const bool wide = AskWideLength();
    const UINT flags = skipHung ? SMTO_ABORTIFHUNG : SMTO_NORMAL;
    if (!send(wnd, WM_GETTEXTLENGTH, 0, 0, timeoutMs, flags, length, failure, wide)) return failure;
    if (wide) length = length > MaxWindowText / 2 ? MaxWindowText : 2 * length;
    if (length > MaxWindowText) length = MaxWindowText;
    std::vector<char> buffer(length + 1, '\0');
    if (!send(wnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(buffer.data()), timeoutMs, flags, copied,
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
