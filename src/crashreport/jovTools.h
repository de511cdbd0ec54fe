#pragma once
// The crash reporter's tools that know the operating system and loaded images. They call only the system
// and report failure by their result.
#include "crashreport/core/Demangle.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/core/OsClass.h"
#include "crashreport/core/PeImage.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace jov {

// Filled once, until FinalizeTools.
void GetOsInfo(TOS& os);
void ClearOsInfoCache();

// The crash reporter's stop, once no other thread uses the tools: closes the message-handler mutex and
// clears the cached OS record; a later use of either starts afresh.
void FinalizeTools();

// High doubleword: the most significant version word pair; 0 without a version resource.
uint64_t GetFileVersionNumber(const std::string& fileName);
// Free system resources in percent on the Win9x family; this build runs only on the NT family: 0.
uint16_t FreeSystemResources(uint16_t kind);

// True when the address lies in committed memory of a loaded module with a file name.
bool ModuleFromAddress(const void* address, HMODULE& module, std::string& fileName);
// The module whose image holds the address (its allocation base), or 0.
HMODULE ModuleOfAddress(const void* address);
// The module the crash reporter is linked into.
HMODULE CrashReporterModule();

// A module of this process, read through the safe read a page at a time and never in place: another
// thread may unload it, or change a page's protection, while we look; the reads then just fail.
class TLoadedImage final : public PeImageReader {
public:
    explicit TLoadedImage(HMODULE base);
    TLoadedImage(const TLoadedImage&) = delete;
    TLoadedImage& operator=(const TLoadedImage&) = delete;

    // SizeOfImage bytes from the base; empty when the headers cannot be read.
    PeImage image() { return PeImage(*this, size_); }
    uint32_t size() const { return size_; }
    bool Read(uint64_t offset, void* destination, size_t length) override;

private:
    static constexpr uint32_t pageSize = 4096;
    static constexpr unsigned cachedPages = 4; // a table and the texts it points to stay at hand
    struct Page {
        uint64_t offset = UINT64_MAX;
        bool readable = false;
    };
    uintptr_t base_;
    uint32_t size_ = 0;
    Page pages_[cachedPages];
    std::vector<uint8_t> bytes_; // the cached pages, allocated at the first read
    unsigned nextPage_ = 0;
};

// The address of the NT headers (their first bytes read safely), or nil; read them through the safe read.
const IMAGE_NT_HEADERS* ImageNtHeaders(HMODULE base);
// A copy of the module's NT headers; false when they cannot be read.
bool CopyImageNtHeaders(HMODULE base, IMAGE_NT_HEADERS& headers);
// A copy of the module's headers (SizeOfHeaders bytes); empty when they cannot be read.
std::vector<uint8_t> CopyImageHeaders(HMODULE base);
// base + the directory's virtual address; nil without headers or when the directory is absent.
const void* ImageDataDirectory(HMODULE base, unsigned index);
uint32_t RvaToFileOffset(const IMAGE_NT_HEADERS* headers, uint32_t rva);

// The routine at an export's virtual address, or the routine its forwarder names (in a loaded module).
FARPROC ResolveExportRva(HMODULE base, uint32_t rva);
// Sees through export tables changed in memory; falls back to the system's look-up.
FARPROC ExportByName(HMODULE base, const char* name);
FARPROC ExportByOrdinal(HMODULE base, uint32_t ordinal);
// The exported name, "#" and the ordinal for an unnamed export, empty when the address is not exported.
std::string ExportNameOfAddress(HMODULE base, const void* address, bool demangle);

// 17 bytes of code that, called as a stdcall procedure, calls `code` with `object` inserted as its
// first argument: `code` must be a static __stdcall function taking the object first.
class MethodStub {
public:
    MethodStub() = default;
    MethodStub(void* object, const void* code);
    ~MethodStub();
    MethodStub(MethodStub&& other) noexcept : code_(other.code_) { other.code_ = nullptr; }
    MethodStub& operator=(MethodStub&& other) noexcept;
    MethodStub(const MethodStub&) = delete;
    MethodStub& operator=(const MethodStub&) = delete;

    void* code() const { return code_; } // nil when no executable memory could be had

private:
    void* code_ = nullptr;
};
MethodStub MakeMethodStub(void* object, const void* code);

// Milliseconds since a tick count, correct across the counter's wrap.
uint32_t TickDelta(uint32_t start);

// The crash reporter's own exception, independent of any framework's exception classes.
class JovException {
public:
    explicit JovException(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

// A file mapped read-only as a whole, for reading images and symbol files without the heap. An empty
// file opens with no data; anything that cannot be opened or mapped gives opened() false.
class TMappedFile {
public:
    explicit TMappedFile(const std::string& name);
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;
    bool opened() const { return opened_; }
    const uint8_t* data() const { return view_; }
    size_t size() const { return size_; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    const uint8_t* view_ = nullptr;
    size_t size_ = 0;
    bool opened_ = false;
};

} // namespace jov
