// The MAPI transport against a stand-in of the simple-mail library: the transport loads it by its name
// and calls it as it would call the user's mail program.
#include <gtest/gtest.h>

#include "crashreport/DormantCrashSettings.h"
#include "crashreport/MapiStandIn.h"
#include "crashreport/jovMail.h"
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <mapi.h>

#include <string>
#include <vector>

constinit const jov::CrashSettings jov::ProgramCrashSettings = DormantCrashSettings();

namespace {

struct Recipient {
    ULONG recipClass;
    std::string name, address;
    bool operator==(const Recipient&) const = default;
};
struct File {
    ULONG position;
    std::string path;
    bool operator==(const File&) const = default;
};

// What the stand-in was called with, and what happened around the call.
struct MapiCall {
    ULONG answer = SUCCESS_SUCCESS;
    int calls = 0;
    FLAGS flags = 0;
    HWND owner = nullptr;
    bool ownerTopmost = true;
    std::string subject, body;
    std::vector<Recipient> recipients;
    std::vector<File> files;
    std::string events; // "run", "call", "hold" in the order they came
};
MapiCall call;

ULONG WINAPI RecordMapiCall(LHANDLE, ULONG_PTR uiParam, lpMapiMessage message, FLAGS flags, ULONG) {
    ++call.calls;
    call.events += "call ";
    call.flags = flags;
    call.owner = reinterpret_cast<HWND>(uiParam);
    call.ownerTopmost = (GetWindowLongA(call.owner, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    call.subject = message->lpszSubject ? message->lpszSubject : "";
    call.body = message->lpszNoteText ? message->lpszNoteText : "";
    for (ULONG i = 0; i < message->nRecipCount; ++i)
        call.recipients.push_back({message->lpRecips[i].ulRecipClass, message->lpRecips[i].lpszName,
                                   message->lpRecips[i].lpszAddress});
    for (ULONG i = 0; i < message->nFileCount; ++i)
        call.files.push_back({message->lpFiles[i].nPosition, message->lpFiles[i].lpszPathName});
    return call.answer;
}

void RecordPause(bool pause) {
    call.events += pause ? "hold " : "run ";
}

bool loaderLockHeld = false;
bool LoaderLockHeld() {
    return loaderLockHeld;
}

// A top-most window, as the exception dialog is.
class TopmostOwner {
public:
    TopmostOwner()
        : window_(CreateWindowExA(WS_EX_TOPMOST, "Static", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr)) {}
    ~TopmostOwner() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

class Mapi : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(standIn.loaded()) << MAPI_STANDIN;
        call = MapiCall{};
        loaderLockHeld = false;
        context.owner = owner.get();
        context.LoaderLockHeld = &LoaderLockHeld;
        context.PauseOtherThreads = &RecordPause;
    }
    int Send(const std::string& recipients, bool silent, const std::string& attachments = "") {
        return jov::MailViaMapi(recipients, "bug report", "the report", silent, attachments, context);
    }

    jov::test::MapiStandIn standIn{&RecordMapiCall};
    TopmostOwner owner;
    jov::MailContext context;
};

} // namespace

TEST_F(Mapi, ASilentMailGoesWithoutTheMailProgramsDialog) {
    ASSERT_EQ(Send("Dev<dev1@example.com>;dev2@example.com", true, "C:\\report.txt|C:\\screenShot.png"),
              jov::MailSent);
    EXPECT_EQ(call.flags, 0u);
    EXPECT_EQ(call.owner, owner.get());
    EXPECT_EQ(call.subject, "bug report");
    EXPECT_EQ(call.body, "the report");
    const std::vector<Recipient> recipients = {{MAPI_TO, "Dev", "dev1@example.com"},
                                               {MAPI_TO, "dev2@example.com", "dev2@example.com"}};
    EXPECT_EQ(call.recipients, recipients);
    const std::vector<File> files = {{ULONG(-1), "C:\\report.txt"}, {ULONG(-1), "C:\\screenShot.png"}};
    EXPECT_EQ(call.files, files);
}

TEST_F(Mapi, TheMailProgramAsksWhenNotSilentOrWithoutRecipients) {
    const struct {
        const char* recipients;
        bool silent;
    } cases[] = {{"dev@example.com", false}, {"", true}, {"", false}};
    for (const auto& c : cases) {
        call = MapiCall{};
        EXPECT_EQ(Send(c.recipients, c.silent), jov::MailSent) << c.recipients << c.silent;
        EXPECT_EQ(call.flags, FLAGS(MAPI_LOGON_UI | MAPI_DIALOG)) << c.recipients << c.silent;
        EXPECT_EQ(call.recipients.empty(), !*c.recipients);
    }
}

TEST_F(Mapi, TheHeldThreadsRunAndTheDialogLeavesTheTopDuringTheCall) {
    ASSERT_EQ(Send("dev@example.com", false), jov::MailSent);
    EXPECT_EQ(call.events, "run call hold ");
    EXPECT_FALSE(call.ownerTopmost);
    EXPECT_TRUE(GetWindowLongA(owner.get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Mapi, TheMailProgramsAnswerIsTheResult) {
    const struct {
        ULONG answer;
        int result;
    } cases[] = {{SUCCESS_SUCCESS, jov::MailSent},
                 {MAPI_USER_ABORT, jov::MailCancelled},
                 {MAPI_E_FAILURE, jov::MailNotSent},
                 {MAPI_E_LOGIN_FAILURE, jov::MailNotSent}};
    for (const auto& c : cases) {
        call = MapiCall{};
        call.answer = c.answer;
        EXPECT_EQ(Send("dev@example.com", true), c.result) << c.answer;
        EXPECT_EQ(call.events, "run call hold ") << c.answer;
    }
}

TEST_F(Mapi, UnderTheLoaderLockNothingIsCalled) {
    loaderLockHeld = true;
    EXPECT_EQ(Send("dev@example.com", true), jov::MailNotSent);
    EXPECT_EQ(call.calls, 0);
    EXPECT_EQ(call.events, "");
}
