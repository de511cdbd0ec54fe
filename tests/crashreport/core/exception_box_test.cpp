#include <gtest/gtest.h>
#include "crashreport/core/ExceptionBoxLayout.h"

using namespace jov;

namespace {

enum { Mail, Save, Print, Show, Continue, Restart, Close };

// One line of message, 200 pixels wide, whatever width it may take.
BoxLayout layout(std::array<int, BoxActionCount> widths, bool canContinue = true, bool showAtStart = false) {
    BoxLayoutInput input;
    input.CaptionWidth = widths;
    input.CanContinue = canContinue;
    input.ShowReportAtStart = showAtStart;
    input.CaptionHeight = 19;
    input.ScreenWidth = 1024;
    input.ScreenHeight = 768;
    return LayoutExceptionBox(input, [](int, int& w, int& h) { w = 200, h = 13; });
}

struct Placed {
    int code, x, y, width;
    bool operator==(const Placed&) const = default;
};
std::vector<Placed> placed(const BoxLayout& l) {
    std::vector<Placed> result;
    for (auto& b : l.Buttons) result.push_back({b.Code, b.Rect.X, b.Rect.Y, b.Rect.Width});
    return result;
}

} // namespace

TEST(ExceptionBox, DefaultCaptionsStackTheRightButtonsBesideTheMessage) {
    const BoxLayout l = layout({100, 0, 0, 110, 130, 120, 115});
    EXPECT_EQ(placed(l), (std::vector<Placed>{{Mail, 6, 59, 96},
                                              {Show, 106, 59, 106},
                                              {Continue, 232, 7, 126},
                                              {Restart, 232, 33, 126},
                                              {Close, 232, 59, 126}}));
    EXPECT_EQ(l.Width, 370);
    EXPECT_TRUE(l.HasReportArea);
    EXPECT_EQ(l.WhiteFrame.Y, 93 - 4);
    EXPECT_EQ(l.Edit.Width, ReportAreaWidth - 30);
    EXPECT_EQ(l.Height, 93 + 19);
    EXPECT_EQ(l.FullHeight, 93 + 19 + 403);
    EXPECT_EQ(l.X, (1024 - ReportAreaWidth) / 2);
    EXPECT_EQ(l.Message.X, 11);
    EXPECT_EQ(l.Message.Y, 12);
}

TEST(ExceptionBox, OneButtonLiesOneRowBelowTheMessage) {
    const BoxLayout l = layout({0, 0, 0, 0, 0, 0, 115});
    EXPECT_EQ(placed(l), (std::vector<Placed>{{Close, 103, 44, 111}}));
    EXPECT_EQ(44 - (l.Message.Y + l.Message.Height), 19);
    EXPECT_FALSE(l.HasReportArea);
}

TEST(ExceptionBox, TheBigIconTakesTheUpperLeftCorner) {
    // The icon reserves 40 more pixels beside the message, which moves right and, while it is one line,
    // centres on the icon; the buttons start at 31 when no column of right buttons pulls them up.
    struct {
        std::array<int, BoxActionCount> widths;
        int textHeight, measuredWidth, width, messageY;
        std::vector<Placed> buttons;
    } cases[] = {
        {{100, 0, 0, 110, 130, 120, 115},
         13,
         538 - 210,
         410,
         18,
         {{Mail, 6, 59, 96},
          {Show, 106, 59, 106},
          {Continue, 272, 7, 126},
          {Restart, 272, 33, 126},
          {Close, 272, 59, 126}}},
        {{0, 0, 0, 0, 0, 0, 115}, 13, 538 - 66, 266, 18, {{Close, 143, 57, 111}}},
        {{0, 0, 0, 0, 0, 0, 115}, 40, 538 - 66, 266, 12, {{Close, 143, 71, 111}}},
    };
    for (const auto& c : cases) {
        BoxLayoutInput input;
        input.CaptionWidth = c.widths;
        input.HasIcon = true;
        int measuredWidth = 0;
        const BoxLayout l = LayoutExceptionBox(input, [&](int width, int& w, int& h) {
            measuredWidth = width;
            w = 200, h = c.textHeight;
        });
        EXPECT_EQ(measuredWidth, c.measuredWidth);
        EXPECT_EQ(l.Width, c.width);
        EXPECT_EQ(placed(l), c.buttons);
        EXPECT_EQ((std::array{l.Icon.X, l.Icon.Y, l.Icon.Width, l.Icon.Height}), (std::array{9, 10, 32, 32}));
        EXPECT_EQ((std::array{l.Message.X, l.Message.Y}), (std::array{51, c.messageY}));
    }
}

TEST(ExceptionBox, ContinueThatCannotContinueIsDisabled) {
    EXPECT_EQ(layout({100, 0, 0, 0, 130, 0, 115}, false).Buttons[1].Code, 7);
    EXPECT_EQ(layout({100, 0, 0, 0, 130, 0, 115}, true).Buttons[1].Code, Continue);
    // Without restart or close there is nothing else to press.
    EXPECT_EQ(layout({100, 0, 0, 0, 130, 0, 0}, false).Buttons[1].Code, Continue);
}

TEST(ExceptionBox, LeftButtonsWithoutRightOnesStayInTheButtonArea) {
    const BoxLayout l = layout({100, 0, 0, 110, 0, 0, 0});
    ASSERT_EQ(l.Buttons.size(), 2u);
    EXPECT_EQ(l.Buttons[0].Rect.Y, 18); // row 0, not above it
    EXPECT_GE(l.WhiteFrame.Y, l.Buttons[0].Rect.Y + 22);
}

TEST(ExceptionBox, ReportAtStartMakesTheWindowWide) {
    EXPECT_EQ(layout({0, 0, 0, 0, 0, 0, 115}, true, true).Width, ReportAreaWidth);
    EXPECT_TRUE(layout({0, 0, 0, 0, 0, 0, 115}, true, true).HasReportArea);
}

TEST(ExceptionBox, DefaultsAreTheDialogsOwn) {
    const std::array<bool, BoxActionCount> all{true, false, false, true, true, true, true};
    struct {
        bool close, restart, continueDefault, canContinue, flash;
        int defaultAction, countdown;
    } cases[] = {
        {false, false, false, true, true, Mail, -1},   {true, true, true, true, true, Close, Close},
        {false, true, true, true, false, Restart, -1}, {false, false, true, true, true, Continue, Continue},
        {false, false, true, false, true, Mail, -1},
    };
    for (auto& c : cases) {
        const BoxDefaults d =
            ChooseBoxDefaults(Mail, c.close, c.restart, c.continueDefault, c.canContinue, c.flash, all);
        EXPECT_EQ(d.DefaultAction, c.defaultAction);
        EXPECT_EQ(d.CountdownAction, c.countdown);
    }
    std::array<bool, BoxActionCount> noClose = all;
    noClose[Close] = false;
    EXPECT_EQ(ChooseBoxDefaults(Mail, true, false, false, true, true, noClose).DefaultAction, Mail);
}

TEST(ExceptionBox, CountdownBar) {
    EXPECT_EQ(CountdownPosition(0, 100, 1), 0);
    EXPECT_EQ(CountdownPosition(500, 100, 1), 50);
    EXPECT_EQ(CountdownPosition(1010, 100, 1), 101); // past the width: pressed
    EXPECT_EQ(CountdownPosition(30000, 100, 60), 50);
    EXPECT_EQ(CountdownPosition(30000, 100, 0), 50); // the fixed 60-second scale
    EXPECT_EQ(CountdownPosition(0xFFFFFFFF, 200, 1), int(((int64_t(0xFFFFFFFF) * 200) + 500) / 1000));
}

TEST(ExceptionBox, MessageAndConsoleTexts) {
    EXPECT_EQ(BoxMessageText("Failed: %exceptMsg%%LF%Sorry", "Bad"), "Failed: Bad.\r\nSorry");
    EXPECT_EQ(ConsoleFailureText("m", "r", false), "m\r\n");
    EXPECT_EQ(ConsoleFailureText("m", "r", true), "m\r\n\r\nr\r\n");
}

TEST(ExceptionBox, WebPage) {
    WebPageTexts texts{"app.exe", "Error: %exceptMsg%%LF%Back?", "", "show bug report", false};
    const std::string report = "date/time: x\r\nexception message :  Boom.  \r\nmore";
    const std::string page = BuildWebErrorPage(texts, report);
    EXPECT_EQ(page.substr(0, 38), "<html><head><title>app.exe</title></he");
    EXPECT_NE(page.find(">Error: Boom.<br>\r\nBack?</p></td></tr>\r\n"), std::string::npos);
    EXPECT_NE(page.find("&nbsp;continue application&nbsp;</button>"), std::string::npos);
    EXPECT_NE(
        page.find("this.style.visibility='hidden';\" style=\"height:19.5pt;\">&nbsp;show bug report&nbsp;"),
        std::string::npos);
    EXPECT_NE(page.find("height:100%;visibility:hidden;\">\r\n" + report +
                        "</textarea></td></tr></table></body></html>"),
              std::string::npos);
    EXPECT_EQ(page.substr(page.size() - 43), "</textarea></td></tr></table></body></html>");
    texts.ShowReportAtStart = true;
    const std::string shown = BuildWebErrorPage(texts, "no message line");
    EXPECT_NE(shown.find("Error: %exceptMsg%<br>"), std::string::npos);
    EXPECT_NE(shown.find("<td>&nbsp;</td>"), std::string::npos);
    EXPECT_NE(shown.find("height:100%;\">\r\nno message line"), std::string::npos);
}

TEST(ExceptionBox, WebPageShowsTheReportAsText) {
    const WebPageTexts texts{"app.exe", "Error: %exceptMsg%", "", "show", true};
    const std::string page = BuildWebErrorPage(
        texts, "date/time: x\r\nexception message : <b>&</b>\r\nthread <suspended></textarea><script>x()</script>");
    EXPECT_NE(page.find(">Error: &lt;b&gt;&amp;&lt;/b&gt;</p>"), std::string::npos);
    EXPECT_NE(
        page.find("thread &lt;suspended&gt;&lt;/textarea&gt;&lt;script&gt;x()&lt;/script&gt;</textarea>"),
        std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
}
