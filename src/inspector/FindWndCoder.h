#pragma once
#include "controls/CodeEditor.h"
#include "core/CodeChecks.h"
#include "core/WindowChain.h"
#include "controls/Ostrel_Form.h"
#include "framework/Handles.h"
#include <memory>
#include <vector>

// The FindWindow code generator: the chain of windows from a top-level window down to one window, the
// properties the user picks per level, and the code that finds the window again at run time. The four
// columns of the chain are one list: handle (indented by level), class name, text and control ID, the
// last three with a check box on the path's rows.
class TFindWndCodeGenerator : public TOstrelForm {
public:
    // With a window: shows its chain and code at once.
    explicit TFindWndCodeGenerator(HWND wnd = nullptr);

    void BuildWindowTree();
    void GenerateCode();
    void UpdateHighlighter();
    void UpdateIntFormat() override;

    HWND CurrentWindow() const { return current_; }
    const std::vector<core::TCodeTreeRow>& Rows() const { return rows_; }
    const TCodeEditor& Editor() const { return *editor_; }

protected:
    fw::CloseAction closeAction() override { return fw::CloseAction::Free; }
    bool onCreate() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    void onSize(int width, int height) override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void BtnUpdateTreeClick();
    void ShowChildWndsClick();
    void Layout();
    void FillListItem(NMLVDISPINFOA& info) const;
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw) const;
    void ListClick(POINT p);
    // Space toggles the focused row's focused box; Left and Right move that focus between its boxes.
    bool ListKey(WPARAM key);
    void ToggleBox(int item, int column);
    // No column gets narrower than the least width; true refuses the change.
    bool ColumnWidthChanging(const NMHEADERA& change);
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    RECT CheckBoxRect(int item, int column) const;
    HWND Control(int id) const { return GetDlgItem(handle(), id); }
    std::string HandleText() const;

    HWND current_ = nullptr;
    std::vector<core::TCodeTreeRow> rows_;
    std::vector<std::size_t> shownRows_; // indexes into rows_, in list order
    std::unique_ptr<TCodeEditor> editor_;
    int treeHeight_ = 180;
    int focusedBox_; // the column whose box the keyboard works on
    bool splitting_ = false;
};
