#include "crashreport/jovStackTrace.h"

#include "crashreport/core/PeImage.h"
#include "crashreport/core/StackTrace.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovMapFile.h"
#include "crashreport/jovProcessCode.h"
#include "crashreport/jovStepGuard.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovToolsHelpers.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace jov {
namespace {

using core::Address;

const void* Pointer(Address address) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(address));
}

Address AddressOf(const void* pointer) {
    return static_cast<Address>(reinterpret_cast<uintptr_t>(pointer));
}

std::string WithoutFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Stack slots of a live thread, through the same snapshot as every other read of the trace.
class LiveStack final : public core::CodeReader {
public:
    explicit LiveStack(const TDATryRead* readable) : readable_(readable) {}
    bool Read(Address address, void* destination, std::uint32_t length) override {
        return SafeReadMemory(Pointer(address), destination, length, readable_);
    }

private:
    const TDATryRead* readable_;
};

// The stack as a throw left it: its copy where it has one, the live stack above it, which the catch left
// as it was, and nothing below it, where the throw's own calls stood.
class SavedStack final : public core::CodeReader {
public:
    SavedStack(const TSavedStack& copy, const TDATryRead* readable) : copy_(copy), readable_(readable) {}
    bool Read(Address address, void* destination, std::uint32_t length) override {
        const Address copyEnd = Address(copy_.Base + copy_.Size);
        if (address < copy_.Base || address + length < address) return false;
        auto* out = static_cast<std::uint8_t*>(destination);
        if (address < copyEnd) {
            const std::uint32_t copied = std::min(length, copyEnd - address);
            std::memcpy(out, copy_.Bytes + (address - copy_.Base), copied);
            out += copied, address += copied, length -= copied;
        }
        return length == 0 || SafeReadMemory(Pointer(address), out, length, readable_);
    }

private:
    TSavedStack copy_;
    const TDATryRead* readable_;
};

class ProcessTrace final : public core::TraceEnvironment {
public:
    explicit ProcessTrace(const TDATryRead* readable) : code_(readable), readable_(readable) {}

    core::CodeEnvironment& Code() override { return code_; }

    bool AllocationBase(Address address, Address& base) override {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(Pointer(address), &region, sizeof region) != sizeof region ||
            region.State != MEM_COMMIT)
            return false;
        base = AddressOf(region.AllocationBase);
        return true;
    }

    bool LoadModule(Address base, core::ModuleCacheEntry& module) override {
        const auto handle = reinterpret_cast<HMODULE>(const_cast<void*>(Pointer(base)));
        char name[MAX_PATH];
        const DWORD length = GetModuleFileNameA(handle, name, sizeof name);
        const IMAGE_NT_HEADERS* headers = ImageNtHeaders(handle);
        IMAGE_NT_HEADERS nt;
        if (length == 0 || length >= sizeof name || !headers ||
            !SafeReadMemory(headers, &nt, sizeof nt, readable_))
            return false;
        module.FileName = WithoutFolder(std::string(name, length));
        IMAGE_SECTION_HEADER first;
        const auto* sections = reinterpret_cast<const std::uint8_t*>(headers) +
                               offsetof(IMAGE_NT_HEADERS, OptionalHeader) +
                               nt.FileHeader.SizeOfOptionalHeader;
        if (nt.FileHeader.NumberOfSections && SafeReadMemory(sections, &first, sizeof first, readable_) &&
            (first.Characteristics & IMAGE_SCN_CNT_CODE)) {
            module.CodeBegin = base + first.VirtualAddress;
            module.CodeEnd = module.CodeBegin + first.Misc.VirtualSize;
        } else {
            module.CodeBegin = base + nt.OptionalHeader.BaseOfCode;
            module.CodeEnd = module.CodeBegin + nt.OptionalHeader.SizeOfCode;
        }
        module.DataBegin = base + nt.OptionalHeader.BaseOfData;
        module.DataEnd = module.DataBegin + nt.OptionalHeader.SizeOfInitializedData +
                         nt.OptionalHeader.SizeOfUninitializedData;
        module.IsMain = handle == GetModuleHandleA(nullptr);
        if (nt.OptionalHeader.AddressOfEntryPoint)
            module.EntryPoint = base + nt.OptionalHeader.AddressOfEntryPoint;
        const std::shared_ptr<TMapFile> symbols = MapFileForAddress(base);
        if (symbols && symbols->valid) module.Symbols = symbols;
        ReadExports(handle, nt.OptionalHeader.SizeOfImage, module.ExportedFunctions);
        return true;
    }

    std::string ExportName(const core::ModuleCacheEntry& module, Address address) override {
        return ExportNameOfAddress(reinterpret_cast<HMODULE>(const_cast<void*>(Pointer(module.Handle))),
                                   Pointer(address), false);
    }

    std::string DescribeAddress(Address address) override { return jov::DescribeAddress(Pointer(address)); }

    bool RunStep(void (*step)(void*), void* context, Address& failure) override {
        TStepFailure fault;
        const bool completed = RunGuardedStep(step, context, fault);
        failure = fault.Address;
        return completed;
    }

private:
    void ReadExports(HMODULE handle, DWORD imageSize, std::vector<Address>& functions) {
        TLoadedImage image(handle);
        const auto exports = PeExports::Read(image.image());
        if (!exports) return;
        for (std::uint32_t i = 0; i < exports->FunctionCount(); ++i) {
            const auto rva = exports->FunctionRva(i);
            if (rva && *rva && *rva < imageSize && !exports->IsForwarder(*rva))
                functions.push_back(AddressOf(handle) + *rva);
        }
        std::sort(functions.begin(), functions.end());
    }

    ProcessCodeEnvironment code_;
    const TDATryRead* readable_;
};

class TrackerProgress final : public core::TraceProgress {
public:
    explicit TrackerProgress(ProgressTracker* tracker) : tracker_(tracker) {}
    void SetPosition(int position) override { SetProgressPosition(tracker_, position); }

private:
    ProgressTracker* tracker_;
};

core::TraceCaches* caches = nullptr;
// Set while a trace runs: a trace whose thread was ended in the middle leaves the caches half-changed.
volatile bool tracing = false;

// The system's record of a thread, as far as the tracer reads it.
struct ThreadBasicInformation {
    LONG ExitStatus;
    const void* TebBaseAddress;
    HANDLE UniqueProcess;
    HANDLE UniqueThread;
    ULONG_PTR AffinityMask;
    LONG Priority;
    LONG BasePriority;
};
using NtQueryInformationThreadProc = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
constexpr int kThreadBasicInformation = 0;

} // namespace

bool ThreadStackLimits(HANDLE thread, const void*& stackLimit, const void*& stackBase) {
    static const auto query = reinterpret_cast<NtQueryInformationThreadProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    ThreadBasicInformation information{};
    NT_TIB tib{};
    if (!query || query(thread, kThreadBasicInformation, &information, sizeof information, nullptr) < 0 ||
        !SafeReadMemory(information.TebBaseAddress, &tib, sizeof tib) || !tib.StackBase ||
        tib.StackLimit >= tib.StackBase)
        return false;
    stackLimit = tib.StackLimit;
    stackBase = tib.StackBase;
    return true;
}

std::string DescribeAddress(const void* address) {
    AddressInfo info;
    const bool found = GetAddressInfo(reinterpret_cast<uintptr_t>(address), info);
    return core::DescribeAddressText(AddressOf(address), found, WithoutFolder(info.moduleFileName),
                                     info.unitName, info.line, info.publicName);
}

__attribute__((noinline)) std::string TraceStack(bool HideItemsWithoutLine, bool ShowRelativeAddress,
                                                 bool ShowRelativeLine, const void* currentAddress,
                                                 bool exception, bool externalException,
                                                 const void* stackBegin, const void* stackEnd,
                                                 const void* creatorAddress, const void*& outAddress,
                                                 const void*& outEntryPoint, ProgressTracker* progress,
                                                 const void* framePointer, const TSavedStack* saved) {
    outAddress = outEntryPoint = nullptr;
    core::TraceInput input;
    input.Options = {HideItemsWithoutLine, ShowRelativeAddress, ShowRelativeLine};
    input.Current = AddressOf(currentAddress);
    if (!input.Current && !exception) input.Current = AddressOf(__builtin_return_address(0));
    input.Exception = exception;
    input.External = externalException;
    input.StackBegin = AddressOf(stackBegin);
    input.StackEnd = AddressOf(stackEnd);
    if (saved) {
        if (!input.StackBegin) input.StackBegin = Address(saved->Base);
        if (!input.StackEnd) input.StackEnd = Address(saved->Base + saved->Size);
    } else {
        // Above our own return slot: the caller's line comes from the current address.
        if (!input.StackBegin) input.StackBegin = AddressOf(__builtin_frame_address(0)) + 8;
        if (!input.StackEnd) input.StackEnd = AddressOf(OwnStackBase());
    }
    // What a copy does not hold is read live, and must be readable as a whole.
    const Address liveBegin =
        saved ? std::max(input.StackBegin, Address(saved->Base + saved->Size)) : input.StackBegin;
    if (input.StackEnd <= input.StackBegin ||
        (input.StackEnd > liveBegin && !IsReadableMemory(Pointer(liveBegin), input.StackEnd - liveBegin)))
        return {};
    input.Creator = AddressOf(creatorAddress);
    input.FramePointer = AddressOf(framePointer);

    // The steps have guards of their own; this one holds what lies around them. Results leave it only
    // when it completes.
    std::string text;
    Address address = 0, entry = 0;
    RunGuarded(
        [&] {
            const ReadableSnapshot snapshot = TakeReadableSnapshot();
            tracing = true;
            if (!caches) caches = new core::TraceCaches;
            ProcessTrace process(snapshot.get());
            LiveStack live(snapshot.get());
            std::unique_ptr<SavedStack> copy =
                saved ? std::make_unique<SavedStack>(*saved, snapshot.get()) : nullptr;
            TrackerProgress tracker(progress);
            core::StackTracer tracer(process, *caches, copy ? static_cast<core::CodeReader&>(*copy) : live,
                                     input, &tracker);
            std::string trace = tracer.Run();
            address = tracer.OutAddress;
            entry = tracer.OutEntryPoint;
            text.swap(trace);
        });
    tracing = false;
    outAddress = Pointer(address);
    outEntryPoint = Pointer(entry);
    return text;
}

std::string TraceThrowSite(bool HideItemsWithoutLine, bool ShowRelativeAddress, bool ShowRelativeLine,
                           const TThrowSite& site, const void* stackEnd, const void* creatorAddress,
                           const void*& outAddress, const void*& outEntryPoint, ProgressTracker* progress) {
    TSavedStack saved;
    saved.Base = site.StackCopyBase;
    saved.Bytes = site.StackCopy;
    saved.Size = std::min<std::size_t>(site.StackCopySize, sizeof site.StackCopy);
    return TraceStack(HideItemsWithoutLine, ShowRelativeAddress, ShowRelativeLine,
                      Pointer(site.ReturnAddress), true, false, Pointer(site.StackPointer), stackEnd,
                      creatorAddress, outAddress, outEntryPoint, progress, Pointer(site.FramePointer),
                      &saved);
}

void FreeStackTraceCaches() {
    if (tracing) return;
    delete caches;
    caches = nullptr;
}

} // namespace jov
