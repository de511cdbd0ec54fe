#include "crashreport/core/ReportThreads.h"

#include "crashreport/core/NumberText.h"
#include "crashreport/core/ReportText.h"
#include "crashreport/core/TextHelpers.h"

namespace jov {

std::string ThreadTitleText(uint32_t threadId, const ThreadNode* node, bool showDashed) {
    const bool dashed = node && node->Name == "-";
    if (dashed && !showDashed) return {};
    if (node && !dashed && !node->Name.empty()) return node->Name + " (" + FormatHex(threadId) + ")";
    std::string title = "thread " + FormatHex(threadId);
    if (node && node->Extended && !node->ClassName.empty()) title += " (" + node->ClassName + ")";
    return title;
}

std::string ThreadTitle(ReportThreadSource& source, uint32_t threadId, bool showDashed,
                        uint32_t* creatorAddress, uint32_t* creatorThreadId) {
    ThreadNode node;
    const bool found = source.Node(threadId, node);
    if (creatorAddress) *creatorAddress = found && node.Extended ? node.CreatorAddress : 0;
    if (creatorThreadId) *creatorThreadId = found && node.Extended ? node.CreatorThreadId : 0;
    return ThreadTitleText(threadId, found ? &node : nullptr, showDashed);
}

std::string ComposeThreadSection(ReportThreadSource& source, uint32_t threadId, bool exception, bool external,
                                 bool showDashed, uint32_t address, uint32_t stackPointer,
                                 uint32_t framePointer, FailureRecords* records) {
    uint32_t creatorAddress = 0, creatorThreadId = 0;
    const std::string title = ThreadTitle(source, threadId, showDashed, &creatorAddress, &creatorThreadId);
    if (title.empty()) return {};
    std::string titleLine = "\r\n\r\n" + title + ":\r\n";
    ThreadContextData context;
    if (!source.Context(threadId, context)) {
        std::string section = titleLine + ">> stack not accessible";
        if (exception) section += ", exception location: \r\n" + source.Describe(address);
        return section;
    }
    titleLine.resize(titleLine.size() - 2);
    if (context.Suspended) titleLine += " <suspended>";
    if (context.Priority != 0) titleLine += " <priority:" + FormatInt(context.Priority) + ">";
    titleLine += "\r\n";
    TraceCall call;
    call.StackBegin = context.StackPointer;
    call.StackEnd = context.StackTop;
    call.FramePointer = context.FramePointer;
    if (exception) {
        if (stackPointer) call.StackBegin = stackPointer;
        if (framePointer) call.FramePointer = framePointer;
        call.Address = address;
    } else {
        call.Address = context.InstructionPointer;
    }
    call.Exception = exception;
    call.External = external;
    call.CreatorAddress = creatorAddress;
    FailureRecords unused;
    std::string trace = source.Trace(call, records ? *records : unused);
    if (creatorAddress) {
        const size_t lastCr = trace.rfind('\r');
        if (lastCr != std::string::npos)
            trace.insert(lastCr, "\r\n>> created by " + ThreadTitle(source, creatorThreadId, true) + " at:");
    }
    return titleLine + trace;
}

void ComposeExceptionPart(ReportThreadSource& source, const ExceptionPartInput& input,
                          FailureRecords& records, std::string& text) {
    const std::vector<uint32_t> threads = input.ListAllThreads ? source.Threads() : std::vector<uint32_t>();
    if (input.ShowProgress) {
        std::vector<uint32_t> weighed = threads;
        if (!input.ListAllThreads) {
            weighed.push_back(input.ExceptionThread);
            if (input.MainThread != input.ExceptionThread) weighed.push_back(input.MainThread);
        }
        for (uint32_t id : weighed) {
            ThreadContextData context;
            if (source.Context(id, context) && context.StackTop >= context.StackPointer)
                source.AddPhase(uint64_t{context.StackTop - context.StackPointer} * 100);
        }
    }
    records = FailureRecords();
    if (!input.Frozen) {
        text += ExceptionLines(input.ClassName, input.Message);
        text += ComposeThreadSection(source, input.ExceptionThread, true, input.External, true, input.Address,
                                     input.StackPointer, input.FramePointer, &records);
        source.NextPhase();
    } else {
        text += PadStr("exception message", -18, ' ') + ": " + input.FrozenText;
    }
    if (input.Frozen) {
        text += ComposeThreadSection(source, input.MainThread, false, false, false, 0, 0, 0, &records);
        source.NextPhase();
    } else if (input.ExceptionThread != input.MainThread) {
        text += ComposeThreadSection(source, input.MainThread, false, false, false, 0, 0, 0, nullptr);
        source.NextPhase();
    }
    for (uint32_t id : threads) {
        if ((!input.Frozen && id == input.ExceptionThread) || id == input.MainThread) continue;
        if (id != input.WatchdogThread && id != input.WorkerThread)
            text += ComposeThreadSection(source, id, false, false, false, 0, 0, 0, nullptr);
        source.NextPhase();
    }
}

} // namespace jov
