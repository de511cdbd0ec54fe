#include "crashreport/jovTools.h"

#include "crashreport/core/NumberText.h"
#include "crashreport/core/PeImage.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovToolsMsgHandlers.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace jov {
namespace {

TOS DetectOs() {
    if (GetVersion() & 0x80000000u) { // the Win9x family
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info; // 148 bytes
        if (!GetVersionExA(&info)) return {};
        return ClassifyOs(
            info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
            std::string(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion)));
    }
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info; // 276 bytes
    if (!GetVersionExW(&info)) return {};
    std::string csd;
    for (size_t i = 0; i < 128 && info.szCSDVersion[i]; ++i)
        csd += static_cast<char>(info.szCSDVersion[i] & 0xFF);
    return ClassifyOs(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                      std::move(csd));
}

// Forwarders may chain; a damaged or circular chain must end.
constexpr int maxForwarderDepth = 16;

// The function RVA of an export from the module's file on disk; 0 when the file cannot be used.
uint32_t FunctionRvaOnDisk(HMODULE base, uint32_t index) {
    char name[MAX_PATH];
    const DWORD length = GetModuleFileNameA(base, name, sizeof name);
    if (length == 0 || length >= sizeof name) return 0;
    const TMappedFile file(name);
    if (!file.data()) return 0;
    const auto exports = PeExports::Read({std::span<const uint8_t>(file.data(), file.size()), true});
    const auto rva = exports ? exports->FunctionRva(index) : std::nullopt;
    return rva.value_or(0);
}

FARPROC Resolve(HMODULE base, const PeExports& exports, uint32_t imageSize, uint32_t rva, int depth);

// The routine behind a function-table index; an entry that points outside the image was changed in
// memory, and the file on disk holds the true one. Absent when the entry is empty or unreadable (the
// export counts as not found); a forwarder that leads nowhere resolves to nil, and the system is not
// asked then: it would load the forwarder's module while the program is crashing.
std::optional<FARPROC> ResolveIndex(HMODULE base, const PeExports& exports, uint32_t imageSize,
                                    uint32_t index, int depth) {
    auto rva = exports.FunctionRva(index);
    if (!rva || *rva == 0) return std::nullopt;
    if (*rva > imageSize) rva = FunctionRvaOnDisk(base, index);
    if (*rva == 0) return std::nullopt;
    return Resolve(base, exports, imageSize, *rva, depth);
}

FARPROC ByName(HMODULE base, const char* name, int depth) {
    if (!name) return nullptr;
    TLoadedImage image(base);
    if (const auto exports = PeExports::Read(image.image()))
        if (const auto index = exports->FunctionIndexByName(name))
            if (const auto routine = ResolveIndex(base, *exports, image.size(), *index, depth))
                return *routine;
    return GetProcAddress(base, name);
}

FARPROC ByOrdinal(HMODULE base, uint32_t ordinal, int depth) {
    TLoadedImage image(base);
    if (const auto exports = PeExports::Read(image.image())) {
        const uint32_t index = ordinal - exports->OrdinalBase();
        if (ordinal >= exports->OrdinalBase() && index < exports->FunctionCount())
            if (const auto routine = ResolveIndex(base, *exports, image.size(), index, depth))
                return *routine;
    }
    return ordinal <= 0xFFFF ? GetProcAddress(base, MAKEINTRESOURCEA(ordinal)) : nullptr;
}

FARPROC Resolve(HMODULE base, const PeExports& exports, uint32_t imageSize, uint32_t rva, int depth) {
    if (!exports.IsForwarder(rva)) {
        if (rva >= imageSize) return nullptr;
        return reinterpret_cast<FARPROC>(reinterpret_cast<uintptr_t>(base) + rva);
    }
    const auto text = exports.ForwarderText(rva);
    if (!text || depth >= maxForwarderDepth) return nullptr;
    // The first split whose module is loaded: "krnl386.exe16.VxDCall0" and "NTDLL.Dotted.Name" both hold.
    for (auto forwarder = ParseForwarder(*text); forwarder;
         forwarder = ParseForwarder(*text, forwarder->Module.size() + 1)) {
        const HMODULE target = GetModuleHandleA(std::string(forwarder->Module).c_str());
        if (!target) continue;
        if (forwarder->Ordinal) return ByOrdinal(target, *forwarder->Ordinal, depth + 1);
        return ByName(target, std::string(forwarder->Routine).c_str(), depth + 1);
    }
    return nullptr;
}

} // namespace

namespace {
// Heap-held so that it outlives the static objects destroyed before the crash reporter stops.
TOS* cachedOs = nullptr;
volatile LONG cacheState = 0; // 0 empty, 1 being filled or cleared, 2 filled
} // namespace

void GetOsInfo(TOS& os) {
    // The first caller fills the cache; a caller that comes while it does detects on its own.
    if (cacheState == 2) {
        os = *cachedOs;
        return;
    }
    os = DetectOs();
    if (!os.Description.empty() && InterlockedCompareExchange(&cacheState, 1, 0) == 0) {
        cachedOs = new TOS(os);
        InterlockedExchange(&cacheState, 2);
    }
}

void ClearOsInfoCache() {
    if (InterlockedCompareExchange(&cacheState, 1, 2) != 2) return;
    delete cachedOs;
    cachedOs = nullptr;
    InterlockedExchange(&cacheState, 0);
}

void FinalizeTools() {
    CloseMessageHandlerMutex();
    ClearOsInfoCache();
}

uint64_t GetFileVersionNumber(const std::string& fileName) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0) return 0;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(fileName.c_str(), 0, size, data.data())) return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof *info)
        return 0;
    return uint64_t{info->dwFileVersionMS} << 32 | info->dwFileVersionLS;
}

uint16_t FreeSystemResources(uint16_t) {
    return 0;
}

HMODULE ModuleOfAddress(const void* address) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(address, &info, sizeof info) != sizeof info || info.State != MEM_COMMIT) return nullptr;
    return static_cast<HMODULE>(info.AllocationBase);
}

HMODULE CrashReporterModule() {
    return ModuleOfAddress(reinterpret_cast<const void*>(&CrashReporterModule));
}

bool ModuleFromAddress(const void* address, HMODULE& module, std::string& fileName) {
    module = ModuleOfAddress(address);
    if (!module) return false;
    // The name in the ANSI code page, as every file routine here opens it: a folder with characters beyond
    // Latin-1 keeps its symbol files.
    char name[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, name, sizeof name);
    fileName.assign(name, length < sizeof name ? length : 0);
    return !fileName.empty();
}

TLoadedImage::TLoadedImage(HMODULE base) : base_(reinterpret_cast<uintptr_t>(base)) {
    const IMAGE_NT_HEADERS* headers = ImageNtHeaders(base);
    DWORD size = 0;
    if (headers && SafeReadMemory(&headers->OptionalHeader.SizeOfImage, &size, sizeof size)) size_ = size;
}

bool TLoadedImage::Read(uint64_t offset, void* destination, size_t length) {
    if (offset > size_ || size_ - offset < length) return false;
    if (bytes_.empty()) bytes_.resize(size_t{cachedPages} * pageSize);
    auto* out = static_cast<uint8_t*>(destination);
    while (length > 0) {
        const uint64_t pageOffset = offset - offset % pageSize;
        unsigned slot = 0;
        while (slot < cachedPages && pages_[slot].offset != pageOffset) ++slot;
        if (slot == cachedPages) {
            slot = nextPage_;
            nextPage_ = (nextPage_ + 1) % cachedPages;
            const size_t pageLength = static_cast<size_t>(std::min<uint64_t>(pageSize, size_ - pageOffset));
            pages_[slot].offset = pageOffset;
            pages_[slot].readable = SafeReadMemory(reinterpret_cast<const void*>(base_ + pageOffset),
                                                   bytes_.data() + size_t{slot} * pageSize, pageLength);
        }
        if (!pages_[slot].readable) return false;
        const size_t inPage = static_cast<size_t>(offset - pageOffset);
        const size_t part = std::min<size_t>(length, pageSize - inPage);
        std::memcpy(out, bytes_.data() + size_t{slot} * pageSize + inPage, part);
        out += part;
        offset += part;
        length -= part;
    }
    return true;
}

const IMAGE_NT_HEADERS* ImageNtHeaders(HMODULE base) {
    IMAGE_DOS_HEADER dos;
    if (!SafeReadMemory(base, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    const uintptr_t at = reinterpret_cast<uintptr_t>(base) + static_cast<uint32_t>(dos.e_lfanew);
    if (at < reinterpret_cast<uintptr_t>(base)) return nullptr;
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(at);
    DWORD signature = 0;
    if (!SafeReadMemory(headers, &signature, sizeof signature) || signature != IMAGE_NT_SIGNATURE)
        return nullptr;
    return headers;
}

bool CopyImageNtHeaders(HMODULE base, IMAGE_NT_HEADERS& headers) {
    const IMAGE_NT_HEADERS* at = ImageNtHeaders(base);
    return at && SafeReadMemory(at, &headers, sizeof headers);
}

std::vector<uint8_t> CopyImageHeaders(HMODULE base) {
    IMAGE_NT_HEADERS nt;
    if (!CopyImageNtHeaders(base, nt)) return {};
    std::vector<uint8_t> headers(nt.OptionalHeader.SizeOfHeaders);
    if (!SafeReadMemory(base, headers.data(), headers.size())) return {};
    return headers;
}

const void* ImageDataDirectory(HMODULE base, unsigned index) {
    TLoadedImage image(base);
    const auto directory = jov::ImageDataDirectory(image.image(), index);
    if (!directory || directory->VirtualAddress >= image.size()) return nullptr;
    return reinterpret_cast<const uint8_t*>(base) + directory->VirtualAddress;
}

uint32_t RvaToFileOffset(const IMAGE_NT_HEADERS* headers, uint32_t rva) {
    IMAGE_FILE_HEADER file;
    if (!headers || !SafeReadMemory(&headers->FileHeader, &file, sizeof file)) return rva;
    std::vector<uint8_t> copy(offsetof(IMAGE_NT_HEADERS, OptionalHeader) + file.SizeOfOptionalHeader +
                              size_t{file.NumberOfSections} * sizeof(IMAGE_SECTION_HEADER));
    if (!SafeReadMemory(headers, copy.data(), copy.size())) return rva;
    return jov::RvaToFileOffset(copy, 0, rva);
}

FARPROC ResolveExportRva(HMODULE base, uint32_t rva) {
    TLoadedImage image(base);
    const auto exports = PeExports::Read(image.image());
    return exports ? Resolve(base, *exports, image.size(), rva, 0) : nullptr;
}

FARPROC ExportByName(HMODULE base, const char* name) {
    return ByName(base, name, 0);
}

FARPROC ExportByOrdinal(HMODULE base, uint32_t ordinal) {
    return ByOrdinal(base, ordinal, 0);
}

std::string ExportNameOfAddress(HMODULE base, const void* address, bool demangle) {
    TLoadedImage image(base);
    const auto exports = PeExports::Read(image.image());
    const uintptr_t offset = reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(base);
    if (!exports || reinterpret_cast<uintptr_t>(address) < reinterpret_cast<uintptr_t>(base) ||
        offset >= image.size())
        return {};
    return ExportNameOfRva(*exports, static_cast<uint32_t>(offset), demangle);
}

MethodStub::MethodStub(void* object, const void* code) {
    auto* stub = static_cast<uint8_t*>(VirtualAlloc(nullptr, 17, MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    if (!stub) return;
    const auto self = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object));
    const auto cell = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(stub + 13));
    const auto target = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code));
    stub[0] = 0x58; // pop eax: the return address
    stub[1] = 0x68; // push Self
    std::memcpy(stub + 2, &self, 4);
    stub[6] = 0x50; // push eax
    stub[7] = 0xFF; // jmp [cell]
    stub[8] = 0x25;
    std::memcpy(stub + 9, &cell, 4);
    std::memcpy(stub + 13, &target, 4);
    FlushInstructionCache(GetCurrentProcess(), stub, 17);
    code_ = stub;
}

MethodStub::~MethodStub() {
    if (code_) VirtualFree(code_, 0, MEM_RELEASE);
}

MethodStub& MethodStub::operator=(MethodStub&& other) noexcept {
    if (this != &other) {
        if (code_) VirtualFree(code_, 0, MEM_RELEASE);
        code_ = other.code_;
        other.code_ = nullptr;
    }
    return *this;
}

MethodStub MakeMethodStub(void* object, const void* code) {
    return MethodStub(object, code);
}

uint32_t TickDelta(uint32_t start) {
    return TickDelta(start, GetTickCount());
}

TMappedFile::TMappedFile(const std::string& name) {
    file_ = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return;
    DWORD high = 0;
    const DWORD size = GetFileSize(file_, &high);
    if (size == INVALID_FILE_SIZE || high != 0) return;
    size_ = size;
    if (size_ == 0) {
        opened_ = true;
        return;
    }
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping_) view_ = static_cast<const uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
    opened_ = view_ != nullptr;
    if (!opened_) size_ = 0;
}

TMappedFile::~TMappedFile() {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

} // namespace jov
