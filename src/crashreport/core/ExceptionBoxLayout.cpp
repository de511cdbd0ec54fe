#include "crashreport/core/ExceptionBoxLayout.h"

#include "crashreport/core/TextHelpers.h"

#include <algorithm>

namespace jov {
namespace {

enum { Mail, Save, Print, Show, Continue, Restart, Close };
constexpr int ButtonHeight = 22, RowHeight = 26;

// The report and the failure's message are text, never markup: a "</textarea>" in them must not end the
// page's report area.
std::string HtmlText(std::string_view text) {
    std::string html;
    html.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        default:
            html += c;
        }
    }
    return html;
}

} // namespace

BoxDefaults ChooseBoxDefaults(int configuredDefault, bool autoCloseApplies, bool autoRestartApplies,
                              bool continueIsDefault, bool canContinue, bool flashButtons,
                              const std::array<bool, BoxActionCount>& hasCaption) {
    BoxDefaults result{configuredDefault, -1};
    if (autoCloseApplies && hasCaption[Close])
        result.DefaultAction = Close;
    else if (autoRestartApplies && hasCaption[Restart])
        result.DefaultAction = Restart;
    else if (continueIsDefault && hasCaption[Continue] && canContinue)
        result.DefaultAction = Continue;
    else
        return result;
    if (flashButtons) result.CountdownAction = result.DefaultAction;
    return result;
}

BoxLayout LayoutExceptionBox(const BoxLayoutInput& input, const MessageMeasure& measure) {
    const auto& w = input.CaptionWidth;
    BoxLayout layout;
    const int maxRight = std::max({w[Continue], w[Restart], w[Close]});
    const bool hasLeft = w[Mail] || w[Save] || w[Print] || w[Show];
    int n = (w[Continue] > 0) + (w[Restart] > 0) + (w[Close] > 0);
    const bool stacked = n > 1 && hasLeft;
    if (n == 1) n = 2;
    // Without right buttons the left ones still need a row of their own inside the button area.
    if (n == 0 && hasLeft) n = 1;
    const int leftWidth = w[Mail] + 6 + w[Save] + w[Print] + w[Show];
    const int rowWidth = leftWidth + (stacked ? maxRight : w[Continue] + w[Restart] + w[Close]) + 8;
    int reserved = stacked ? maxRight + 40 : 26;
    if (input.HasIcon) {
        reserved += 40;
        layout.Icon = {9, 10, 32, 32};
    }
    int textWidth = 0, textHeight = 0;
    measure(std::max(rowWidth, ReportAreaWidth) - reserved, textWidth, textHeight);
    int content = rowWidth >= textWidth + reserved ? rowWidth : textWidth + reserved;
    if (input.ShowReportAtStart) content = std::max(content, ReportAreaWidth);
    int top = input.HasIcon && textHeight < 26 ? 31 : textHeight + 5;
    if (n == 3) {
        if (stacked)
            top = std::max(top - RowHeight, 7);
        else
            n = 2;
    }
    auto row = [&](int k) { return top + RowHeight * k; };
    int x = 6;
    for (int code : {Mail, Save, Print, Show})
        if (w[code]) {
            layout.Buttons.push_back({code, {x, row(n - 1), w[code] - 4, ButtonHeight}});
            x += w[code];
        }
    x = content - (stacked ? maxRight : w[Continue] + w[Restart] + w[Close]) - 8;
    const bool disableContinue = !input.CanContinue && w[Continue] && (w[Restart] || w[Close]);
    for (int code : {Continue, Restart, Close}) {
        if (!w[code]) continue;
        const int shownCode = code == Continue && disableContinue ? 7 : code;
        if (stacked) {
            const int k = code == Continue ? 0 : code == Restart ? (w[Continue] ? 1 : 0) : n - 1;
            layout.Buttons.push_back({shownCode, {x, row(k), maxRight - 4, ButtonHeight}});
        } else {
            layout.Buttons.push_back({shownCode, {x, row(1), w[code] - 4, ButtonHeight}});
            x += w[code];
        }
    }
    const int bottom = top + RowHeight * n + 8;
    const int reportWidth = content > ReportAreaWidth ? content : ReportAreaWidth;
    layout.Message = {input.HasIcon ? 51 : 11,
                      input.HasIcon && textHeight < 26 ? 12 + (26 - textHeight) / 2 : 12, textWidth,
                      textHeight};
    layout.HasReportArea = input.ShowReportAtStart || hasLeft;
    if (layout.HasReportArea) {
        layout.GrayFrame = {6, bottom - 3, reportWidth - 17, 395};
        layout.WhiteFrame = {5, bottom - 4, reportWidth - 17, 395};
        layout.Edit = {7, 6, reportWidth - 30, 383};
    }
    layout.Width = content;
    layout.Height = bottom + input.CaptionHeight;
    layout.FullHeight = layout.Height + 403;
    layout.X = (input.ScreenWidth - reportWidth) / 2;
    layout.Y = (input.ScreenHeight - layout.FullHeight) / 2;
    return layout;
}

int CountdownPosition(uint32_t elapsed, int width, int seconds) {
    const int64_t scale = seconds > 0 ? int64_t{seconds} * 1000 : 60000;
    return static_cast<int>((int64_t{elapsed} * width + scale / 2) / scale);
}

std::string BoxMessageText(std::string_view text, std::string_view exceptionMessage) {
    std::string message(text);
    ReplaceAll(message, "%exceptMsg%", std::string(exceptionMessage) + ".");
    ReplaceAll(message, "%LF%", "\r\n");
    return message;
}

std::string BuildWebErrorPage(const WebPageTexts& texts, std::string_view report) {
    std::string message = texts.ExceptionText;
    const size_t line = report.find("\r\nexception message ");
    if (line != std::string_view::npos) {
        const size_t start = line + 2;
        const size_t end = std::min(report.find("\r\n", start), report.size());
        const std::string_view whole = report.substr(start, end - start);
        const size_t colon = whole.find(':');
        ReplaceAll(message, "%exceptMsg%",
                   HtmlText(TrimBlanksCopy(colon == std::string_view::npos ? std::string_view()
                                                                           : whole.substr(colon + 1))));
    }
    ReplaceAll(message, "%LF%", "<br>\r\n");
    const std::string spacer = "<tr><td colspan=4 style=\"height:8pt;\"></td></tr>";
    std::string page = "<html><head><title>" + texts.Title + "</title></head><body>\r\n";
    page += "<table border=\"0\" width=\"100%\" height=\"100%\">\r\n";
    page += "<tr><td colspan=4 style=\"height:2pt;\"></td></tr>\r\n";
    page += "<tr><td colspan=4 valign=\"top\">";
    page += "<p style=\"font-family:'MS Sans Serif';font-size:13pt;margin-left:4px;\">";
    page += message + "</p></td></tr>\r\n";
    page += spacer + "\r\n";
    page += "<tr><td><button onClick=\"history.back();\" style=\"height:19.5pt;\">&nbsp;";
    page += texts.ContinueCaption.empty() ? "continue application" : texts.ContinueCaption;
    page += "&nbsp;</button></td>\r\n";
    page += "<td><p>&nbsp;&nbsp;</p></td>\r\n";
    page += "<td>";
    if (!texts.ShowReportAtStart && !texts.ShowCaption.empty())
        page += "<button onClick=\"document.getElementById('bugReport').style.visibility='visible';"
                "this.style.visibility='hidden';\" style=\"height:19.5pt;\">&nbsp;" +
                texts.ShowCaption + "&nbsp;</button>";
    else
        page += "&nbsp;";
    page += "</td>\r\n";
    page += "<td width=\"100%\"></td></tr>\r\n";
    page += spacer + "\r\n";
    page += "<tr><td colspan=4 height=\"100%\">\r\n";
    page += "<textarea id=\"bugReport\" readonly cols=\"80\" rows=\"20\" style=\"width:100%;height:100%;";
    if (!texts.ShowReportAtStart) page += "visibility:hidden;";
    page += "\">\r\n";
    page += HtmlText(report);
    page += "</textarea></td></tr></table></body></html>";
    return page;
}

std::string ConsoleFailureText(std::string_view message, std::string_view report, bool showReport) {
    std::string text = std::string(message) + "\r\n";
    if (showReport) text += "\r\n" + std::string(report) + "\r\n";
    return text;
}

} // namespace jov
