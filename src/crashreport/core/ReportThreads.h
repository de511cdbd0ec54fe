#pragma once
// The exception lines and one call-stack section per thread, composed over a source of thread data so
// that the order, the markers and the left-out threads do not depend on a live process.
#include <cstdint>
#include <string>
#include <vector>

namespace jov {

// What the shared thread list holds about one thread.
struct ThreadNode {
    std::string Name;
    bool Extended = false; // the node carries class name and creator
    std::string ClassName;
    uint32_t CreatorAddress = 0, CreatorThreadId = 0;
};

// The title of a thread: node is null when the list could not be had or holds no such thread. Empty
// for a thread named "-" unless those are shown.
std::string ThreadTitleText(uint32_t threadId, const ThreadNode* node, bool showDashed);

struct ThreadContextData {
    uint32_t StackPointer = 0, StackTop = 0, InstructionPointer = 0, FramePointer = 0;
    int Priority = 0;
    bool Suspended = false;
};

// Where the tracer leaves the failing function's entry and the address in it.
struct FailureRecords {
    uint32_t Address = 0, EntryPoint = 0;
};

struct TraceCall {
    uint32_t Address = 0, StackBegin = 0, StackEnd = 0, FramePointer = 0, CreatorAddress = 0;
    bool Exception = false, External = false;
};

class ReportThreadSource {
public:
    virtual ~ReportThreadSource() = default;
    virtual std::vector<uint32_t> Threads() = 0;
    virtual bool Node(uint32_t threadId, ThreadNode& node) = 0;
    virtual bool Context(uint32_t threadId, ThreadContextData& context) = 0;
    virtual std::string Describe(uint32_t address) = 0;
    virtual std::string Trace(const TraceCall& call, FailureRecords& records) = 0;
    virtual void AddPhase(uint64_t) {}
    virtual void NextPhase() {}
};

struct ExceptionPartInput {
    bool Frozen = false, External = false, ListAllThreads = true, ShowProgress = false;
    std::string ClassName, Message, FrozenText;
    uint32_t ExceptionThread = 0, MainThread = 0, WatchdogThread = 0, WorkerThread = 0;
    uint32_t Address = 0, StackPointer = 0, FramePointer = 0;
};

std::string ThreadTitle(ReportThreadSource& source, uint32_t threadId, bool showDashed,
                        uint32_t* creatorAddress = nullptr, uint32_t* creatorThreadId = nullptr);

// records null: the thread's trace leaves the failure records alone.
std::string ComposeThreadSection(ReportThreadSource& source, uint32_t threadId, bool exception, bool external,
                                 bool showDashed, uint32_t address, uint32_t stackPointer,
                                 uint32_t framePointer, FailureRecords* records);

// The exception lines, then the exception thread, the main thread and (with ListAllThreads) the rest in
// the source's order; the watchdog and worker threads get no section. Appends to `text` as it goes, so that
// a failing step leaves what came before.
void ComposeExceptionPart(ReportThreadSource& source, const ExceptionPartInput& input,
                          FailureRecords& records, std::string& text);

} // namespace jov
