#include "ListPatterns.h"
#include "framework/Application.h"
#include "framework/Window.h"

#include <commctrl.h>

namespace {
const UINT_PTR textSubclassId = 1;

bool IsEnter(const MSG* message) {
    return message && message->message == WM_KEYDOWN && message->wParam == VK_RETURN;
}
} // namespace

TPatternList::~TPatternList() {
    if (text_ && IsWindow(text_)) RemoveWindowSubclass(text_, TextProc, textSubclassId);
}

void TPatternList::Bind(HWND dialog, int textId, int listId, std::function<void()> onEnter) {
    dialog_ = dialog;
    text_ = GetDlgItem(dialog, textId);
    list_ = GetDlgItem(dialog, listId);
    onEnter_ = std::move(onEnter);
    SetWindowSubclass(text_, TextProc, textSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK TPatternList::TextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
    switch (message) {
    case WM_GETDLGCODE:
        // The dialog would turn Enter into its default button, which stays disabled while nothing is
        // entered: the field takes the key itself.
        if (IsEnter(reinterpret_cast<const MSG*>(lParam)))
            return DefSubclassProc(hwnd, message, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    case WM_KEYDOWN:
        if (wParam != VK_RETURN) break;
        try {
            if (auto& onEnter = reinterpret_cast<TPatternList*>(self)->onEnter_) onEnter();
        } catch (...) {
            fw::application().handleException(std::current_exception());
        }
        return 0;
    case WM_CHAR:
        if (wParam == '\r') return 0; // an edit of one line would only beep
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

std::string TPatternList::Line(std::size_t index) const {
    return names_[index] + ": '" + texts_[index] + "'";
}

int TPatternList::Selected() const {
    return int(SendMessageA(list_, LB_GETCURSEL, 0, 0));
}

void TPatternList::Fill(const std::vector<std::string>& names, const std::vector<std::string>& texts) {
    names_ = names;
    texts_ = texts;
    texts_.resize(names_.size());
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < names_.size(); ++i)
        SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Line(i).c_str()));
}

bool TPatternList::AnyText() const {
    for (const auto& text : texts_)
        if (!text.empty()) return true;
    return false;
}

void TPatternList::Select(int index) {
    SendMessageA(list_, LB_SETCURSEL, WPARAM(index), 0);
    ListClick();
}

void TPatternList::ListClick() {
    const int index = Selected();
    if (index < 0 || std::size_t(index) >= texts_.size()) return;
    SetWindowTextA(text_, texts_[index].c_str());
    if (IsWindowVisible(dialog_)) SetFocus(text_);
}

void TPatternList::ChangeClick() {
    const int index = Selected();
    if (index < 0 || std::size_t(index) >= texts_.size()) return;
    texts_[index] = fw::windowText(text_);
    SendMessageA(list_, LB_DELETESTRING, WPARAM(index), 0);
    SendMessageA(list_, LB_INSERTSTRING, WPARAM(index), reinterpret_cast<LPARAM>(Line(index).c_str()));
    SendMessageA(list_, LB_SETCURSEL, WPARAM(index), 0);
}

void TPatternList::ClearClick() {
    SetWindowTextA(text_, "");
    ChangeClick();
}

std::string SystemUpperCase(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), DWORD(text.size()));
    return text;
}
