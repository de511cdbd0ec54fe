#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// The pattern list the search and filter dialogs share: one line per column of the chosen kind, shown
// as the property name and its pattern, edited through the text field with Change and Clear.
class TPatternList {
public:
    TPatternList() = default;
    ~TPatternList(); // the text field's subclass goes with the list
    TPatternList(const TPatternList&) = delete;
    TPatternList& operator=(const TPatternList&) = delete;

    // Enter in the text field runs `onEnter` (the dialog's Change) and the key goes no further.
    void Bind(HWND dialog, int textId, int listId, std::function<void()> onEnter);
    // One line per name, with the text at the same index (empty where there is none).
    void Fill(const std::vector<std::string>& names, const std::vector<std::string>& texts);
    const std::vector<std::string>& Texts() const { return texts_; }
    bool AnyText() const;

    void Select(int index);
    void ListClick();
    void ChangeClick();
    void ClearClick();

private:
    static LRESULT CALLBACK TextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR self);
    std::string Line(std::size_t index) const;
    int Selected() const;

    std::function<void()> onEnter_;
    HWND dialog_ = nullptr, text_ = nullptr, list_ = nullptr;
    std::vector<std::string> names_, texts_;
};

// The locale's upper case, as search and filter compare texts that ignore letter case.
std::string SystemUpperCase(std::string text);
