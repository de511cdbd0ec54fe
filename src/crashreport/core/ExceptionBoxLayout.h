#pragma once
// The exception dialog's arithmetic: which action is the default, where every control goes, how far the
// countdown bar has run, and the page a web request gets instead of the dialog.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace jov {

// Action codes 0-6 (mail, save, print, show, continue, restart, close); 7 is the continue button of an
// exception that cannot continue.
constexpr int BoxActionCount = 7;
constexpr int ReportAreaWidth = 538;

struct BoxDefaults {
    int DefaultAction = 0;
    int CountdownAction = -1; // -1: no countdown
};
// The dialog's own default (the settings stay as they are): close or restart when their rule applies,
// continue when it is the default and possible.
BoxDefaults ChooseBoxDefaults(int configuredDefault, bool autoCloseApplies, bool autoRestartApplies,
                              bool continueIsDefault, bool canContinue, bool flashButtons,
                              const std::array<bool, BoxActionCount>& hasCaption);

struct BoxRect {
    int X = 0, Y = 0, Width = 0, Height = 0;
};
struct BoxButton {
    int Code = 0; // 7 for a disabled continue button
    BoxRect Rect;
};
struct BoxLayoutInput {
    std::array<int, BoxActionCount> CaptionWidth{}; // text extent + 39, 0 for an empty caption
    bool HasIcon = false, ShowReportAtStart = false, CanContinue = true;
    int CaptionHeight = 0, ScreenWidth = 0, ScreenHeight = 0;
};
struct BoxLayout {
    std::vector<BoxButton> Buttons; // in creation order: mail, save, print, show, continue, restart, close
    BoxRect Message, Icon, GrayFrame, WhiteFrame, Edit; // the edit lies inside the white frame
    bool HasReportArea = false;
    int Width = 0, Height = 0, FullHeight = 0, X = 0, Y = 0;
};
// measure(width, textWidth, textHeight): the message word-wrapped in that width.
using MessageMeasure = std::function<void(int width, int& textWidth, int& textHeight)>;
BoxLayout LayoutExceptionBox(const BoxLayoutInput& input, const MessageMeasure& measure);

// Pixels of the bar after `elapsed` milliseconds on a button `width` wide: over `seconds`, or on the
// fixed 60-second scale when seconds is 0 (a repaint while no timer counts).
int CountdownPosition(uint32_t elapsed, int width, int seconds);

// The message with "%exceptMsg%" (the exception's message and ".") and "%LF%" (CR LF) filled in.
std::string BoxMessageText(std::string_view text, std::string_view exceptionMessage);

struct WebPageTexts {
    std::string Title, ExceptionText, ContinueCaption, ShowCaption;
    bool ShowReportAtStart = false;
};
std::string BuildWebErrorPage(const WebPageTexts& texts, std::string_view report);

// What a console program writes instead of the dialog.
std::string ConsoleFailureText(std::string_view message, std::string_view report, bool showReport);

} // namespace jov
