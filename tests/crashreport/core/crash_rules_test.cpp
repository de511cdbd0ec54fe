#include "crashreport/core/CrashHistory.h"
#include "crashreport/core/CrashRequest.h"
#include "crashreport/core/DurationText.h"
#include "crashreport/core/ExceptionClass.h"
#include "crashreport/core/ExceptionTexts.h"
#include "crashreport/core/PathText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include <stdexcept>

using namespace jov;

namespace {

ExceptionTimes TimesBefore(int64_t now, std::initializer_list<int64_t> agesInSeconds) {
    ExceptionTimes history{};
    size_t i = 0;
    for (int64_t age : agesInSeconds) history[i++] = now - age;
    return history;
}

} // namespace

TEST(CrashHistory, ElevenExceptionsKeepTheTenNewest) {
    ExceptionTimes history{};
    for (int64_t t = 1; t <= 11; ++t) RecordExceptionTime(history, 1000 + t);
    for (size_t i = 0; i < history.size(); ++i) EXPECT_EQ(history[i], 1011 - static_cast<int64_t>(i));
}

TEST(CrashHistory, AutoRules) {
    const int64_t now = 13'000'000'000;
    const ExceptionTimes tenWithinAMinute = TimesBefore(now, {0, 1, 2, 5, 10, 20, 30, 40, 50, 60});
    const ExceptionTimes oneTooOld = TimesBefore(now, {0, 1, 2, 5, 10, 20, 30, 40, 50, 61});
    const ExceptionTimes nine = TimesBefore(now, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    const ExceptionTimes empty{};
    struct Case {
        int rule;
        const ExceptionTimes& history;
        bool applies;
    } cases[] = {
        {0, tenWithinAMinute, false},  {1, empty, true},      {60, tenWithinAMinute, true},
        {60, oneTooOld, false},        {61, oneTooOld, true}, {60, nine, false},
        {-5, tenWithinAMinute, false},
    };
    for (const Case& c : cases) EXPECT_EQ(AutoRuleApplies(c.rule, c.history, now), c.applies) << c.rule;
}

TEST(CrashHistory, FinalActions) {
    const int64_t now = 13'000'000'000;
    const ExceptionTimes full = TimesBefore(now, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    const ExceptionTimes one = TimesBefore(now, {0});
    struct Case {
        bool canContinue;
        int autoClose, autoRestart;
        const ExceptionTimes& history;
        FinalAction action;
    } cases[] = {
        {true, 0, 0, one, FinalAction::Continue},  {false, 0, 0, one, FinalAction::Close},
        {false, 0, 1, one, FinalAction::Restart},  {true, 1, 1, one, FinalAction::Close},
        {true, 60, 0, one, FinalAction::Continue}, {true, 60, 0, full, FinalAction::Close},
        {true, 0, 60, full, FinalAction::Restart}, {false, 0, 60, one, FinalAction::Close},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideFinalAction(c.canContinue, c.autoClose, c.autoRestart, c.history, now), c.action)
            << c.canContinue << " " << c.autoClose << " " << c.autoRestart;
}

TEST(DurationText, NamesTheTwoLargestUnits) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, ""},
        {59, "59 seconds "},
        {60, "1 minute "},
        {3600, "1 hour "},
        {7260, "2 hours 1 minute "},
        {90061, "1 day 1 hour "},
        {172800, "2 days "},
        {61, "1 minute 1 second "},
    };
    for (auto [seconds, text] : cases) EXPECT_EQ(DurationText(seconds), text) << seconds;
}

TEST(ExceptionTexts, AccessViolations) {
    EXPECT_EQ(AccessViolationText(0x401a2b, "x.exe", 0, 0),
              "Access violation at address $401a2b in module 'x.exe'. Read of address $0");
    EXPECT_EQ(AccessViolationText(0x401a2b, "x.exe", 1, 0x1234),
              "Access violation at address $401a2b in module 'x.exe'. Write of address $1234");
    // Data-execution prevention reports 8: the processor fetched an instruction from the address.
    EXPECT_EQ(AccessViolationText(0x7ffd0000, "", 8, 0x7ffd0000),
              "Access violation at address $7ffd0000. Execute of address $7ffd0000");
}

TEST(ExceptionTexts, OsExceptionCodes) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0xC000008C, "Range check error"},
        {0xC000008D, "Floating point underflow"},
        {0xC0000093, "Floating point underflow"},
        {0xC000008E, "Floating point division by zero"},
        {0xC0000092, "Invalid floating point operation"},
        {0xC0000091, "Floating point overflow"},
        {0xC0000094, "Division by zero"},
        {0xC0000095, "Integer overflow"},
        {0xC0000096, "Privileged instruction"},
        {0xC00000FD, "Stack overflow"},
        {0xC000013A, "Control-C hit"},
        {0xC0000025, "External exception C0000025"},
        {0xE06D7363, "External exception E06D7363"},
    };
    for (auto [code, text] : cases) EXPECT_EQ(OsExceptionText(code), text) << std::hex << code;
}

TEST(ExceptionTexts, MessagesLoseControlCharacters) {
    EXPECT_EQ(CleanExceptionMessage("line one\r\nline\ttwo"), "line onelinetwo");
    EXPECT_EQ(CleanExceptionMessage("\r\n\x01"), "Unknown");
    EXPECT_EQ(CleanExceptionMessage(""), "Unknown");
    EXPECT_EQ(CleanExceptionMessage("caf\xE9"), "caf\xE9"); // 8-bit characters stay
}

TEST(ExceptionTexts, MessagesEndInOneFullStop) {
    const std::pair<const char*, const char*> cases[] = {
        {"abc", "abc."},     {"abc.", "abc.."}, {"abc!!", "abc!."},
        {"abc...", "abc.."}, {"", "."},         {"a.b", "a.b."},
    };
    for (auto [message, sentence] : cases) EXPECT_EQ(MessageSentence(message), sentence) << message;
}

TEST(PathText, FileNameAndFolderParts) {
    EXPECT_EQ(ExtractFileNamePart("C:\\Program Files\\x.exe"), "x.exe");
    EXPECT_EQ(ExtractFolderPart("C:\\Program Files\\x.exe"), "C:\\Program Files\\");
    EXPECT_EQ(ExtractFileNamePart("x.exe"), "x.exe");
    EXPECT_EQ(ExtractFolderPart("x.exe"), "x.exe");
}

namespace outer {
struct EAbort : std::exception {};
struct ESilent : EAbort {};
struct Mixin {
    virtual ~Mixin() = default;
    int tag = 7;
};
struct EBoth : Mixin, std::runtime_error {
    EBoth() : std::runtime_error("both") {}
};
} // namespace outer

TEST(ExceptionClass, InheritsByName) {
    struct Case {
        const std::type_info* type;
        const char* name;
        bool inherits;
    } cases[] = {
        {&typeid(outer::ESilent), "EAbort", true},
        {&typeid(outer::ESilent), "outer::EAbort", true},
        {&typeid(outer::ESilent), "exception", true},
        {&typeid(outer::ESilent), "eabort", false}, // case-sensitive
        {&typeid(outer::EAbort), "ESilent", false},
        {&typeid(outer::EBoth), "runtime_error", true},
        {&typeid(outer::EBoth), "Mixin", true},
        {&typeid(int), "int", true},
        {&typeid(int), "exception", false},
        {nullptr, "EAbort", false},
    };
    for (const Case& c : cases) EXPECT_EQ(InheritsFromName(c.type, c.name), c.inherits) << c.name;
    EXPECT_EQ(TypeClassName(&typeid(outer::ESilent)), "outer::ESilent");
    EXPECT_EQ(TypeClassName(nullptr), "Unknown");
    EXPECT_EQ(PlainClassName(&typeid(outer::ESilent)), "ESilent");
    EXPECT_EQ(PlainClassName(nullptr), "Unknown");
    EXPECT_EQ(UnqualifiedClassName("(anonymous namespace)::Ignored"), "Ignored");
    EXPECT_EQ(UnqualifiedClassName("outer::Holder<std::vector<int>>::EInner"), "EInner");
    EXPECT_EQ(UnqualifiedClassName("Test::TestBody()::EAbort"), "EAbort");
    EXPECT_EQ(UnqualifiedClassName("EPlain"), "EPlain");
}

TEST(ExceptionClass, UpcastFindsTheBaseSubobject) {
    const outer::EBoth both;
    auto* asException =
        static_cast<const std::exception*>(UpcastObject(typeid(std::exception), &typeid(both), &both));
    ASSERT_NE(asException, nullptr);
    EXPECT_STREQ(asException->what(), "both");
    EXPECT_EQ(UpcastObject(typeid(std::exception), &typeid(int), &both), nullptr);
}

TEST(CrashRequest, RoundTripsThroughItsBytes) {
    CrashRequest request;
    request.Event = 0x11223344;
    request.ThreadId = 0x1f4;
    request.Frozen = true;
    request.ExceptionObject = 0xdeadbeef;
    request.ExceptionAddress = 0x401a2b;
    request.CanContinue = true;
    request.StackPointer = 0x12ff00;
    request.FramePointer = 0x12ff40;
    request.Shared = 0x5000;
    const CrashRequestBytes bytes = EncodeCrashRequest(request);
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[8], 1);
    EXPECT_EQ(bytes[9] | bytes[10] | bytes[11] | bytes[21] | bytes[22] | bytes[23], 0); // padding
    EXPECT_EQ(bytes[16], 0x2b);
    const CrashRequest back = DecodeCrashRequest(bytes);
    EXPECT_EQ(EncodeCrashRequest(back), bytes);
    EXPECT_EQ(back.Shared, 0x5000u);
}

TEST(CrashRequest, RestartHandoffAndNames) {
    RestartHandoff handoff;
    handoff.OldProcessId = 0x1f4;
    handoff.MappingHandle = 0x7c;
    handoff.History = {13'000'000'009, 13'000'000'008, 0, 0, 0, 0, 0, 0, 0, -1};
    handoff.OldProcessHandle = 0x80;
    const RestartHandoffBytes bytes = EncodeRestartHandoff(handoff);
    const RestartHandoff back = DecodeRestartHandoff(bytes.data());
    EXPECT_EQ(back.OldProcessId, 0x1f4u);
    EXPECT_EQ(back.MappingHandle, 0x7cu);
    EXPECT_EQ(back.History, handoff.History);
    EXPECT_EQ(back.OldProcessHandle, 0x80u);
    // What an older process writes, 88 bytes and the zero behind them, gives its history and no handle.
    std::array<uint8_t, RestartHandoffSize> older{};
    std::copy_n(bytes.begin(), 88, older.begin());
    EXPECT_EQ(DecodeRestartHandoff(older.data()).OldProcessHandle, 0u);
    EXPECT_EQ(DecodeRestartHandoff(older.data()).History, handoff.History);
    EXPECT_EQ(CrashObjectName("jovExceptThreadNameBuf", 500), "jovExceptThreadNameBuf$1f4");
    EXPECT_EQ(CrashObjectName("jovExceptRestart", 0), "jovExceptRestart$0");
}
