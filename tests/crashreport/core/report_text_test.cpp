#include <gtest/gtest.h>
#include "crashreport/core/ReportText.h"
#include "crashreport/core/ReportThreads.h"

#include <map>

using namespace jov;

TEST(ReportText, ValuesBeginInColumn21) {
    for (const char* label : {"date/time", "exception message", "jovExcept version", "processors"}) {
        const std::string line = ReportLine(label, "v");
        EXPECT_EQ(line.find(": v"), 18u) << label;
        EXPECT_EQ(line.find('v', 18), 20u) << label;
        EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    }
    EXPECT_EQ(ReportDateTime(2004, 5, 6, 13, 7), "2004-05-06 13:07");
}

TEST(ReportText, MessageIsCutToOneSentence) {
    struct {
        const char* message;
        const char* expected;
    } cases[] = {
        {"EFoo", "exception class   : EFoo"},
        {"a", "exception class   : EFoo\r\nexception message : a."},
        {"a.", "exception class   : EFoo\r\nexception message : a.."},
        {"a!!", "exception class   : EFoo\r\nexception message : a!."},
        {"efoo", "exception class   : EFoo\r\nexception message : efoo."},
    };
    for (auto& c : cases) EXPECT_EQ(ExceptionLines("EFoo", c.message), c.expected) << c.message;
}

TEST(ReportText, ProcessorLineVariants) {
    EXPECT_EQ(ProcessorLine({}), "");
    EXPECT_EQ(ProcessorLine({"", "X"}), "");
    EXPECT_EQ(ProcessorLine({"  Core 9  "}), "processor         : Core 9\r\n");
    EXPECT_EQ(ProcessorLine({" Core 9", "Core 9"}), "processors        : 2x Core 9\r\n");
    EXPECT_EQ(ProcessorLine(std::vector<std::string>(15, "C")), "processors        : 15x C\r\n");
    EXPECT_EQ(ProcessorLine(std::vector<std::string>(16, "C")), "");
}

TEST(ReportText, MachineValues) {
    constexpr uint64_t mb = 1024 * 1024;
    EXPECT_EQ(PhysicalMemoryText(mb / 2, 6 * 1024 * mb - 1), "1/6144 MB (free/total)");
    EXPECT_EQ(PhysicalMemoryText(mb / 2 - 1, 0), "0/0 MB (free/total)");
    EXPECT_EQ(DiskLineValue('c', 1536, 'C', 0, ','), "(C:) 1,50 KB");
    EXPECT_EQ(DiskLineValue('C', 1536, 'd', 100, '.'), "(C:) 1.50 KB (D:) 100 Bytes");
    EXPECT_EQ(DiskLineValue('C', 1536, '\\', 100, '.'), "(C:) 1.50 KB");
    EXPECT_EQ(ProgramUpTimeText(999), "999 milliseconds");
    EXPECT_EQ(ProgramUpTimeText(0), "0 milliseconds");
    EXPECT_EQ(ProgramUpTimeText(61500), "1 minute 1 second ");
    EXPECT_EQ(SystemUpTimeText(0, 10), "");
    EXPECT_EQ(SystemUpTimeText(70, 0), "");
    EXPECT_EQ(SystemUpTimeText(7200 * 3, 3), "2 hours ");
    EXPECT_EQ(DisplayModeText(1024, 768, 32), "1024x768, 32 bit");
    EXPECT_EQ(SystemResourcesText(5, 90), "05/90 (gdi/user)");
}

TEST(ReportText, ModulesAlignNamesAndVersions) {
    // The module list gives folders without the backslash that the report shows.
    EXPECT_EQ(ModuleSection({{0x400000, "ostrel.exe", "1.2.3.4", "C:\\Tools"},
                             {0x7c800000, "k.dll", "", "C:\\Windows"}}),
              "modules:\r\n"
              "00400000 ostrel.exe 1.2.3.4 C:\\Tools\\\r\n"
              "7c800000 k.dll              C:\\Windows\\");
}

namespace {

// A process of threads described by tables; traces name the thread and the address traced from.
class FakeThreads : public ReportThreadSource {
public:
    std::vector<uint32_t> ids;
    std::map<uint32_t, ThreadNode> nodes;
    std::map<uint32_t, ThreadContextData> contexts;
    std::vector<TraceCall> calls;
    std::vector<uint64_t> phases;
    int nextPhases = 0;

    std::vector<uint32_t> Threads() override { return ids; }
    bool Node(uint32_t id, ThreadNode& node) override {
        auto it = nodes.find(id);
        if (it == nodes.end()) return false;
        node = it->second;
        return true;
    }
    bool Context(uint32_t id, ThreadContextData& context) override {
        auto it = contexts.find(id);
        if (it == contexts.end()) return false;
        context = it->second;
        return true;
    }
    std::string Describe(uint32_t address) override { return "at " + std::to_string(address); }
    std::string Trace(const TraceCall& call, FailureRecords& records) override {
        calls.push_back(call);
        if (call.Exception) records = {call.Address, call.Address - 4};
        std::string text = "frame " + std::to_string(call.Address);
        if (call.CreatorAddress) text += "\r\ncreation " + std::to_string(call.CreatorAddress);
        return text;
    }
    void AddPhase(uint64_t weight) override { phases.push_back(weight); }
    void NextPhase() override { ++nextPhases; }
};

FakeThreads process() {
    FakeThreads p;
    p.ids = {1, 2, 3, 4, 5, 6};
    p.nodes[1] = {"main thread", false, "", 0, 0};
    p.nodes[3] = {"-", true, "", 0, 0};        // the worker
    p.nodes[4] = {"", true, "TWorker", 77, 3}; // created by the worker
    for (uint32_t id : {1u, 2u, 3u, 4u, 6u}) p.contexts[id] = {0x1000, 0x1100, 100 + id, 0x1010, 0, false};
    p.contexts[2].Suspended = true;
    p.contexts[2].Priority = -2;
    return p;
}

} // namespace

TEST(ReportThreads, Titles) {
    ThreadNode dashed{"-", false, "", 0, 0}, named{"gui", false, "", 0, 0}, typed{"", true, "TPump", 0, 0};
    EXPECT_EQ(ThreadTitleText(0x1a4, nullptr, false), "thread $1a4");
    EXPECT_EQ(ThreadTitleText(0x1a4, &dashed, false), "");
    EXPECT_EQ(ThreadTitleText(0x1a4, &dashed, true), "thread $1a4");
    // A "-" thread that is shown (the exception thread, a creator) is titled like an unnamed one.
    const ThreadNode dashedTyped{"-", true, "TPump", 0, 0};
    EXPECT_EQ(ThreadTitleText(0x1a4, &dashedTyped, true), "thread $1a4 (TPump)");
    EXPECT_EQ(ThreadTitleText(0x1a4, &named, false), "gui ($1a4)");
    EXPECT_EQ(ThreadTitleText(0x1a4, &typed, false), "thread $1a4 (TPump)");
    typed.Extended = false;
    EXPECT_EQ(ThreadTitleText(0x1a4, &typed, false), "thread $1a4");
}

TEST(ReportThreads, ExceptionThreadFirstThenMainThenTheRest) {
    FakeThreads p = process();
    ExceptionPartInput input;
    input.ClassName = "EAccessViolation";
    input.Message = "Access violation!";
    input.ExceptionThread = 2;
    input.MainThread = 1;
    input.WorkerThread = 3;
    input.Address = 500;
    input.StackPointer = 0x1004;
    input.ShowProgress = true;
    FailureRecords records{9, 9};
    std::string text;
    ComposeExceptionPart(p, input, records, text);
    EXPECT_EQ(text, "exception class   : EAccessViolation\r\n"
                    "exception message : Access violation!.\r\n\r\n"
                    "thread $2: <suspended> <priority:-2>\r\n"
                    "frame 500\r\n\r\n"
                    "main thread ($1):\r\n"
                    "frame 101\r\n\r\n"
                    "thread $4 (TWorker):\r\n"
                    "frame 104\r\n"
                    ">> created by thread $3 at:\r\n"
                    "creation 77\r\n\r\n"
                    "thread $5:\r\n"
                    ">> stack not accessible\r\n\r\n"
                    "thread $6:\r\n"
                    "frame 106");
    ASSERT_EQ(p.calls.size(), 4u);
    EXPECT_EQ(p.calls[0].StackBegin, 0x1004u); // the request's stack pointer wins
    EXPECT_EQ(p.calls[0].FramePointer, 0x1010u);
    EXPECT_TRUE(p.calls[0].Exception);
    EXPECT_FALSE(p.calls[1].Exception);
    EXPECT_EQ(records.Address, 500u);
    EXPECT_EQ(records.EntryPoint, 496u);
    EXPECT_EQ(p.phases, std::vector<uint64_t>(5, 0x100 * 100)); // thread 5 has no readable context
    EXPECT_EQ(p.nextPhases, 6);
}

TEST(ReportThreads, FreezeStartsWithTheMainThreadAndKeepsItsFunction) {
    FakeThreads p = process();
    ExceptionPartInput input;
    input.Frozen = true;
    input.FrozenText = "The application seems to be frozen.";
    input.MainThread = 1;
    input.ListAllThreads = false;
    FailureRecords records{9, 9};
    p.contexts[1].Suspended = false;
    std::string text;
    ComposeExceptionPart(p, input, records, text);
    EXPECT_EQ(text, "exception message : The application seems to be frozen.\r\n\r\n"
                    "main thread ($1):\r\n"
                    "frame 101");
    EXPECT_EQ(records.Address, 0u); // reset, then left to the main thread's trace
}

TEST(ReportThreads, InaccessibleExceptionThreadNamesTheLocation) {
    FakeThreads p = process();
    ExceptionPartInput input;
    input.ClassName = "E";
    input.Message = "E";
    input.ExceptionThread = 5;
    input.MainThread = 5;
    input.Address = 42;
    input.ListAllThreads = false;
    FailureRecords records;
    std::string text = "kept ";
    ComposeExceptionPart(p, input, records, text);
    EXPECT_EQ(text, "kept exception class   : E\r\n\r\nthread $5:\r\n>> stack not accessible, exception "
                    "location: \r\nat 42");
    // A "-" thread that fails is shown all the same.
    p.nodes[5] = {"-", false, "", 0, 0};
    text.clear();
    ComposeExceptionPart(p, input, records, text);
    EXPECT_NE(text.find("thread $5:"), std::string::npos);
    EXPECT_EQ(ComposeThreadSection(p, 5, false, false, false, 0, 0, 0, nullptr), "");
}
