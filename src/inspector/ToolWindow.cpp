#include "ToolWindow.h"
#include "Main.h"
#include "framework/Application.h"
#include "framework/Form.h"

namespace {
const int clientWidth = 166, clientHeight = 72, itemHeight = 25;
const COLORREF highlightStart = RGB(0, 0, 0), highlightEnd = RGB(250, 250, 0),
               highlightFont = RGB(255, 255, 255);
} // namespace

TFinderToolWnd::TFinderToolWnd(TToolWindowPanel& panel)
    : TToolWindowForm(panel, "TFinderToolWnd", clientWidth, clientHeight) {
    const std::pair<int, const char*> items[] = {
        {fcSelectWindow, "Select Window"},
        {fcProperties, "Properties"},
        {fcCreateFindWndCode, "Create FindWindow-Code"},
    };
    for (const auto& [tag, caption] : items) {
        auto item = std::make_unique<TOstrelToolMenu>(handle(), NextItemBounds(itemHeight), tag, caption);
        item->SetHighlightColorStart(highlightStart);
        item->SetHighlightColorEnd(highlightEnd);
        item->SetHiglightFontColor(highlightFont);
        item->OnClick = [this](TOstrelToolMenu& clicked) { OstrelToolMenuClick(clicked); };
        Items.push_back(std::move(item));
    }
}

std::unique_ptr<TToolWindowForm> TFinderToolWnd::Create(TToolWindowPanel& panel) {
    return std::make_unique<TFinderToolWnd>(panel);
}

void TFinderToolWnd::OstrelToolMenuClick(TOstrelToolMenu& item) {
    // The holder is named by its window, not its object: it may be closed before the message arrives,
    // and the main form checks the window is still one of ours.
    if (fw::Form* main = fw::application().mainForm())
        PostMessageA(main->handle(), WM_FINDERCOMMAND, WPARAM(item.Tag),
                     reinterpret_cast<LPARAM>(Panel.HolderForm()));
    Panel.ReleaseForm();
}
