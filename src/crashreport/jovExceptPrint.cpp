#include "crashreport/core/ReportFile.h"
#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovStepGuard.h"

#include <windows.h>

#include <commdlg.h>

#include <string_view>

namespace jov {
namespace {

class PrinterDc {
public:
    explicit PrinterDc(HDC dc) : dc_(dc) {}
    ~PrinterDc() {
        if (dc_) DeleteDC(dc_);
    }
    PrinterDc(const PrinterDc&) = delete;
    PrinterDc& operator=(const PrinterDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class SelectedFont {
public:
    SelectedFont(HDC dc, HFONT font) : dc_(dc), font_(font), old_(font ? SelectObject(dc, font) : nullptr) {}
    ~SelectedFont() {
        if (font_) {
            SelectObject(dc_, old_);
            DeleteObject(font_);
        }
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

void FreeGlobal(HGLOBAL memory) {
    if (memory) GlobalFree(memory);
}

} // namespace

namespace {

bool PrintReportUnguarded(const std::string& report, HWND owner) {
    if (IsLoaderLockHeld()) {
        MessageBeep(0);
        return false;
    }
    PRINTDLGA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.Flags = PD_NOSELECTION | PD_NOPAGENUMS | PD_NOWARNING | PD_RETURNDC |
                   PD_USEDEVMODECOPIESANDCOLLATE | PD_HIDEPRINTTOFILE | PD_NONETWORKBUTTON;
    const BOOL chosen = PrintDlgA(&dialog);
    FreeGlobal(dialog.hDevMode);
    FreeGlobal(dialog.hDevNames);
    if (!chosen) return false;
    PrinterDc printer(dialog.hDC);
    if (!printer.get()) return false;
    HDC dc = printer.get();
    SetMapMode(dc, MM_TEXT);
    PrinterCaps caps;
    caps.HorzRes = GetDeviceCaps(dc, HORZRES);
    caps.VertRes = GetDeviceCaps(dc, VERTRES);
    caps.HorzSize = GetDeviceCaps(dc, HORZSIZE);
    caps.VertSize = GetDeviceCaps(dc, VERTSIZE);
    caps.OffsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    caps.OffsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    const PrintLayout layout = ComputePrintLayout(caps);
    SelectedFont font(dc, CreateFontA(-(GetDeviceCaps(dc, LOGPIXELSY) * 8 / 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                      DEFAULT_CHARSET, 0, 0, 0, 0, "Courier New"));
    const std::string title = RunningSettings().PrintCaption.str();
    DOCINFOA document{};
    document.cbSize = sizeof document;
    document.lpszDocName = title.c_str();
    if (StartDocA(dc, &document) <= 0) return false;
    StartPage(dc);
    int y = layout.Top;
    // No prefix processing: an "&" of the report would vanish from the paper.
    constexpr UINT wrap = DT_WORDBREAK | DT_EXTERNALLEADING | DT_NOPREFIX;
    for (size_t at = 0; at <= report.size();) {
        size_t end = report.find("\r\n", at);
        if (end == std::string::npos) end = report.size();
        // An empty line prints as a blank so that it keeps its height.
        const std::string_view line = end > at ? std::string_view(report).substr(at, end - at) : " ";
        RECT rect{0, 0, layout.Width, layout.Bottom};
        DrawTextA(dc, line.data(), static_cast<int>(line.size()), &rect, wrap | DT_CALCRECT);
        const int height = rect.bottom - rect.top;
        // A line taller than a page goes on as it is: a new page would not make it fit.
        if (layout.Bottom < y + height && y > layout.Top) {
            EndPage(dc);
            StartPage(dc);
            y = layout.Top;
        }
        OffsetRect(&rect, layout.Left - rect.left, y - rect.top);
        DrawTextA(dc, line.data(), static_cast<int>(line.size()), &rect, wrap);
        y = rect.bottom;
        at = end + 2;
    }
    EndPage(dc);
    return EndDoc(dc) > 0;
}

} // namespace

// A printer driver that faults fails the print, not the report.
bool PrintReport(const std::string& report, HWND owner) {
    return GuardedResult(false, [&] { return PrintReportUnguarded(report, owner); });
}

} // namespace jov
