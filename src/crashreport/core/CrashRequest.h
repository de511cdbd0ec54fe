#pragma once
// The records the crash reporter passes between threads and processes, as fixed byte layouts: a
// request travels through a pipe as one block, the restart hand-over through a named mapping.
#include "crashreport/core/CrashHistory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace jov {

// One failure handed to the crash worker. Pointers and handles are 32-bit values of the process.
struct CrashRequest {
    uint32_t Event = 0;           // the requester waits on it; 0 only in the stop request
    uint32_t ThreadId = 0;        // the requesting thread
    bool Frozen = false;          // the watchdog reports a freeze
    uint32_t ExceptionObject = 0; // the exception (a TExceptionRef of the requester), 0 when none
    uint32_t ExceptionAddress = 0;
    bool CanContinue = false;  // the program may go on after the report
    uint32_t StackPointer = 0; // where the stack trace starts
    uint32_t FramePointer = 0;
    uint32_t Shared = 0; // what requester and worker share: the exception kept, the report text
};

constexpr size_t CrashRequestSize = 36;
using CrashRequestBytes = std::array<uint8_t, CrashRequestSize>;

CrashRequestBytes EncodeCrashRequest(const CrashRequest& request);
CrashRequest DecodeCrashRequest(const CrashRequestBytes& bytes);

// The mapping by which a restarting process hands its history to the process it started.
struct RestartHandoff {
    uint32_t OldProcessId = 0;
    uint32_t MappingHandle = 0; // duplicated into the new process, which closes it
    ExceptionTimes History{};
    // The old process itself, duplicated into the new one, which waits on it: its id may be reused once it
    // has ended. Appended behind the history, where a process that plants none leaves the page's zero.
    uint32_t OldProcessHandle = 0;
};

constexpr size_t RestartHandoffSize = 92;
using RestartHandoffBytes = std::array<uint8_t, RestartHandoffSize>;

RestartHandoffBytes EncodeRestartHandoff(const RestartHandoff& handoff);
// Reads RestartHandoffSize bytes; a view of an older process's 88-byte mapping has them too, as the page
// it lies in is mapped whole.
RestartHandoff DecodeRestartHandoff(const uint8_t* bytes);

// A named kernel object of the crash reporter: the prefix, "$" and the id in lower-case hexadecimal
// without leading zeros ("jovExceptRestart$1f4").
std::string CrashObjectName(const char* prefix, uint32_t id);

} // namespace jov
