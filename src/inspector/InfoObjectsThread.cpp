#include "InfoObjects.h"

#include "Imports.h"
#include "core/ConstNames.h"
#include "core/DisplayFormat.h"
#include "framework/OleException.h"

#include <wbemcli.h>

#include <cstdio>
#include <stdexcept>

#define OSTREL_PROPERTY(name) OSTREL_PUBLISHED(TThreadInfoObject, name)

std::span<const TPropertyInfo> TThreadInfoObject::Table() {
    static const TPropertyInfo table[] = {
        OSTREL_PROPERTY(ThreadID),        OSTREL_PROPERTY(ModuleName),       OSTREL_PROPERTY(ModulePath),
        OSTREL_PROPERTY(ParentProcessID), OSTREL_PROPERTY(ElapsedTime),      OSTREL_PROPERTY(KernelModeTime),
        OSTREL_PROPERTY(UserModeTime),    OSTREL_PROPERTY(CreationTime),     OSTREL_PROPERTY(Priority),
        OSTREL_PROPERTY(PriorityBase),    OSTREL_PROPERTY(PriorityBoost),    OSTREL_PROPERTY(StartAddress),
        OSTREL_PROPERTY(ThreadState),     OSTREL_PROPERTY(ThreadWaitReason),
    };
    return table;
}

namespace {
std::int64_t ticks(const FILETIME& t) {
    return static_cast<std::int64_t>((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}
} // namespace

TThreadInfoObject::TThreadInfoObject() : TBasicWMIInfo(ltThreads) {}

TThreadInfoObject::TThreadInfoObject(std::shared_ptr<fw::wmi::Object> wbemObject) : TBasicWMIInfo(ltThreads) {
    WbemObject = std::move(wbemObject);
    SetID(fw::Value::UInt32(InstanceID("Win32_Thread")));
}

void TThreadInfoObject::SetID(const fw::Value& id) {
    std::int64_t n = 0;
    id.toInt64(n);
    ThreadID = fw::Value::UInt32(static_cast<std::uint32_t>(n));
    ThreadHandle.reset(
        ImpOpenThread(THREAD_QUERY_INFORMATION | THREAD_GET_CONTEXT, FALSE, static_cast<DWORD>(n)));
    Refresh();
}

void TThreadInfoObject::Refresh() {
    if (!Services) return;
    auto threads = Services->execQuery("SELECT * FROM Win32_Thread WHERE Handle = " + ThreadID.toText());
    std::shared_ptr<fw::wmi::Object> thread = threads ? threads->next() : nullptr;
    if (!thread) throw std::runtime_error("No such Thread found");
    WbemObject = std::move(thread);
}

void TThreadInfoObject::LoadExePath() {
    if (OwnerProcess) {
        if (OwnerProcess->ExePath.empty()) OwnerProcess->LoadExePath();
        ExePath = OwnerProcess->ExePath;
        return;
    }
    if (!Services || !WbemObject) {
        ExePath = TextUnavailable;
        return;
    }
    fw::Value processId;
    if (!TryReadWMI("ProcessHandle", processId)) return; // tried again on the next read
    std::int64_t pid = 0;
    if (!processId.toInt64(pid)) {
        ExePath = TextUnavailable;
        return;
    }
    try {
        TProcessInfoObject process(static_cast<DWORD>(pid), Services);
        process.LoadExePath();
        ExePath = process.ExePath;
    } catch (const fw::EOleException& e) {
        // The process has exited since the thread was listed: unavailable for good.
        if (e.code() == static_cast<HRESULT>(WBEM_E_NOT_FOUND)) ExePath = TextUnavailable;
    } catch (const std::exception&) {
        // A failure that may pass: tried again on the next read.
    }
}

fw::Value TThreadInfoObject::ReadThreadID() {
    return ThreadID;
}

fw::Value TThreadInfoObject::ReadModuleName() {
    if (ExePath.empty()) LoadExePath();
    return ExtractFileNameDef(ExePath, TextUnavailable);
}

fw::Value TThreadInfoObject::ReadModulePath() {
    if (ExePath.empty()) LoadExePath();
    return ExtractFilePathDef(ExePath, TextUnavailable);
}

fw::Value TThreadInfoObject::ReadParentProcessID() {
    return ReadWMIProperty("ProcessHandle", TextUnavailable, WmiConversion::Signed);
}

bool TThreadInfoObject::Times(FILETIME& creation, FILETIME& kernel, FILETIME& user) const {
    FILETIME exit;
    return ThreadHandle && GetThreadTimes(ThreadHandle.get(), &creation, &exit, &kernel, &user);
}

fw::Value TThreadInfoObject::ReadElapsedTime() {
    FILETIME creation, kernel, user, now;
    if (!Times(creation, kernel, user) || ticks(creation) == 0) return TextUnavailable;
    GetSystemTimeAsFileTime(&now);
    // Both ends in UTC: the local offset cancels out. A creation time in the future gives the placeholder.
    return FormatDurationTicks(ticks(now) - ticks(creation));
}

fw::Value TThreadInfoObject::ReadKernelModeTime() {
    FILETIME creation, kernel, user;
    if (!Times(creation, kernel, user)) return TextUnavailable;
    return fw::Value::Int64(ticks(kernel));
}

fw::Value TThreadInfoObject::ReadUserModeTime() {
    FILETIME creation, kernel, user;
    if (!Times(creation, kernel, user)) return TextUnavailable;
    return fw::Value::Int64(ticks(user));
}

fw::Value TThreadInfoObject::ReadCreationTime() {
    FILETIME creation, kernel, user, local;
    SYSTEMTIME t;
    if (!Times(creation, kernel, user) || ticks(creation) == 0 ||
        !FileTimeToLocalFileTime(&creation, &local) || !FileTimeToSystemTime(&local, &t))
        return TextUnavailable;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2d.%.2d.%4d %.2d:%.2d:%.2d", t.wDay, t.wMonth, t.wYear, t.wHour,
                  t.wMinute, t.wSecond);
    return std::string(buffer);
}

fw::Value TThreadInfoObject::ReadPriority() {
    return ReadWMIProperty("Priority");
}
fw::Value TThreadInfoObject::ReadPriorityBase() {
    return ReadWMIProperty("PriorityBase");
}

fw::Value TThreadInfoObject::ReadPriorityBoost() {
    BOOL disabled = FALSE;
    if (!ThreadHandle || !GetThreadPriorityBoost(ThreadHandle.get(), &disabled)) return TextUnavailable;
    return fw::Value::Bool(!disabled);
}

fw::Value TThreadInfoObject::ReadStartAddress() {
    fw::Value address;
    std::int64_t n = 0;
    if (!TryReadWMI("StartAddress", address) || (address.toInt64(n) && n == 0)) return TextUnavailable;
    return address;
}

namespace {
// A code outside the table has no name.
std::string nameByIndex(const fw::Value& code, std::span<const ConstName> table) {
    std::int64_t n = 0;
    if (!code.toInt64(n) || n < 0 || n > UINT32_MAX) return TextUnavailable;
    return LookupConstName(static_cast<std::uint32_t>(n), table, TextUnavailable);
}
} // namespace

fw::Value TThreadInfoObject::ReadThreadState() {
    fw::Value state;
    if (!TryReadWMI("ThreadState", state)) return TextUnavailable;
    return nameByIndex(state, ThreadStateNames);
}

fw::Value TThreadInfoObject::ReadThreadWaitReason() {
    fw::Value state, reason;
    std::int64_t n = -1;
    if (!TryReadWMI("ThreadState", state)) return TextUnavailable;
    if (!state.toInt64(n) || n != 5) return TextNone;
    if (!TryReadWMI("ThreadWaitReason", reason)) return TextUnavailable;
    return nameByIndex(reason, ThreadWaitReasonNames);
}
