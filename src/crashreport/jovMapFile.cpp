#include "crashreport/jovMapFile.h"

#include <array>
#include <span>
#include <string_view>
#include <vector>

#include "crashreport/core/CompactSymbols.h"
#include "crashreport/core/ImageRanges.h"
#include "crashreport/core/LinkerMap.h"
#include "crashreport/core/Td32.h"
#include "crashreport/core/PeImage.h"
#include "crashreport/jovDisAsm.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovTools.h"

namespace jov {
namespace {

bool FileExists(const std::string& name) {
    return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadWholeFile(const std::string& name, std::string& text) {
    if (!FileExists(name)) return false;
    const TMappedFile file(name);
    if (!file.opened() || file.size() > (256u << 20)) return false;
    if (file.data())
        text.assign(reinterpret_cast<const char*>(file.data()), file.size());
    else
        text.clear();
    return true;
}

std::string WithExtension(const std::string& name, const char* extension) {
    const size_t dot = name.rfind('.');
    const size_t slash = name.find_last_of("\\/");
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? name.substr(0, dot) : name) + extension;
}

bool HasExtension(const std::string& name, std::string_view extension) {
    return name.size() >= extension.size() &&
           lstrcmpiA(name.c_str() + name.size() - extension.size(), std::string(extension).c_str()) == 0;
}

// DOS date in the low half, time in the high half; 0 when the file cannot be found. Read for every look-up
// of a table: the attributes query reads the one file, where a search (Wine's) reads its whole folder.
uint32_t FileDosTime(const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA found;
    if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &found)) return 0;
    WORD date = 0, time = 0;
    if (!FileTimeToDosDateTime(&found.ftLastWriteTime, &date, &time)) return 0;
    return uint32_t(date) | uint32_t(time) << 16;
}

bool Within(uint64_t offset, uint64_t count, uint64_t size) {
    return offset <= size && count <= size - offset;
}

// The TD32 bytes inside a mapped file: a ".tds" holds them at its start; an image holds a debug
// directory entry at the start of its last section, which must be the debug directory's section.
std::span<const uint8_t> Td32InFile(const uint8_t* base, size_t size) {
    const std::span<const uint8_t> file(base, size);
    const auto ntAt = ImageNtHeaders(file);
    if (!ntAt) return file;
    if (!Within(*ntAt, sizeof(IMAGE_NT_HEADERS32), size)) return {};
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + *ntAt);
    const auto debug = ImageDataDirectory(file, IMAGE_DIRECTORY_ENTRY_DEBUG);
    const WORD count = nt->FileHeader.NumberOfSections;
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    const size_t sectionsAt = reinterpret_cast<const uint8_t*>(sections) - base;
    if (!debug || count == 0 || !Within(sectionsAt, size_t(count) * sizeof *sections, size)) return {};
    const IMAGE_SECTION_HEADER& last = sections[count - 1];
    if (last.VirtualAddress != debug->VirtualAddress || last.SizeOfRawData == 0 ||
        !Within(last.PointerToRawData, sizeof(IMAGE_DEBUG_DIRECTORY), size))
        return {};
    const auto* entry = reinterpret_cast<const IMAGE_DEBUG_DIRECTORY*>(base + last.PointerToRawData);
    if (entry->PointerToRawData >= size) return {};
    return {base + entry->PointerToRawData, size - entry->PointerToRawData};
}

struct CacheEntry {
    uint32_t dosTime;
    std::shared_ptr<TMapFile> table;
};

std::vector<CacheEntry>& Cache() {
    static auto& cache = *new std::vector<CacheEntry>; // outlives every static destructor
    return cache;
}

// Keyed by module, whatever source the table came from; the symbol file's time tells a stale table.
std::shared_ptr<TMapFile> CachedTable(HMODULE module, const std::string& fileName) {
    auto& cache = Cache();
    for (size_t i = 0; i < cache.size(); ++i) {
        const auto& table = cache[i].table;
        if (table->module != module || lstrcmpiA(table->moduleFileName.c_str(), fileName.c_str()) != 0)
            continue;
        if (FileDosTime(table->symbolFileName) == cache[i].dosTime) return table;
        cache[i] = std::move(cache.back());
        cache.pop_back();
        return nullptr;
    }
    return nullptr;
}

// Modules in which no source gave a table, with the times of the files a table could come from. Looking
// again searches beside the module and maps its file each time, which the function analysis of a first
// report would do for every call into a system module; a symbol file placed (or a module file rebuilt)
// later changes the times, and the module is looked at again.
using SourceTimes = std::array<uint32_t, 4>;

SourceTimes SymbolSourceTimes(const std::string& fileName) {
    return {FileDosTime(fileName), FileDosTime(WithExtension(fileName, ".tds")),
            FileDosTime(WithExtension(fileName, ".map")), FileDosTime(WithExtension(fileName, ".jov"))};
}

struct ModuleWithoutSymbols {
    HMODULE module;
    std::string fileName;
    SourceTimes times;
};

std::vector<ModuleWithoutSymbols>& NoSymbols() {
    static auto& modules = *new std::vector<ModuleWithoutSymbols>; // outlives every static destructor
    return modules;
}

bool WithoutSymbols(HMODULE module, const std::string& fileName) {
    auto& modules = NoSymbols();
    for (size_t i = 0; i < modules.size(); ++i) {
        if (modules[i].module != module || lstrcmpiA(modules[i].fileName.c_str(), fileName.c_str()) != 0)
            continue;
        if (modules[i].times == SymbolSourceTimes(fileName)) return true;
        modules[i] = std::move(modules.back());
        modules.pop_back();
        return false;
    }
    return false;
}

} // namespace

TMapFile::TMapFile(bool valid, HMODULE module, const std::string& moduleFileName) {
    if (!valid) return;
    try {
        this->module = module;
        this->moduleFileName = moduleFileName;
        symbolFileName = moduleFileName;
        const bool image = module && ImageNtHeaders(module);
        if (image) readImageRanges();
        this->valid = (image && loadResource()) || loadTd32() || loadFilesBeside();
    } catch (...) {
        this->valid = false;
        ClearSymbols();
    }
}

void TMapFile::readImageRanges() {
    const auto ranges = core::ReadImageRanges(CopyImageHeaders(module));
    if (!ranges) return;
    const auto at = uint32_t(reinterpret_cast<uintptr_t>(module));
    codeBegin = at + ranges->codeBegin;
    codeEnd = at + ranges->codeEnd;
    dataBegin = at + ranges->dataBegin;
    dataEnd = at + ranges->dataEnd;
}

bool TMapFile::loadResource() {
    HRSRC resource = FindResourceA(module, "EXCEPT", "JOV");
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const DWORD size = SizeofResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    // A copy: the module may be unloaded while its symbols are read.
    std::string copy(size, '\0');
    return data && SafeReadMemory(data, copy.data(), size) && core::LoadCompactSymbols(copy, *this);
}

bool TMapFile::loadTd32() {
    IMAGE_NT_HEADERS nt;
    IMAGE_DEBUG_DIRECTORY debug;
    if (module && CopyImageNtHeaders(module, nt) &&
        SafeReadMemory(ImageDataDirectory(module, IMAGE_DIRECTORY_ENTRY_DEBUG), &debug, sizeof debug) &&
        debug.AddressOfRawData != 0 &&
        Within(debug.AddressOfRawData, debug.SizeOfData, nt.OptionalHeader.SizeOfImage)) {
        // A copy: the module may be unloaded while its symbols are read.
        std::vector<uint8_t> data(debug.SizeOfData);
        if (SafeReadMemory(reinterpret_cast<const uint8_t*>(module) + debug.AddressOfRawData, data.data(),
                           data.size()))
            return core::LoadTd32(data, *this);
    }
    std::string name = symbolFileName;
    if (!HasExtension(name, ".tds") && FileExists(WithExtension(name, ".tds")))
        name = WithExtension(name, ".tds");
    const TMappedFile file(name);
    if (!file.data()) return false;
    const auto td32 = Td32InFile(file.data(), file.size());
    return !td32.empty() && core::LoadTd32(td32, *this);
}

bool TMapFile::loadFilesBeside() {
    std::string text;
    const std::string map = WithExtension(symbolFileName, ".map");
    if (ReadWholeFile(map, text)) {
        core::ParseMapText(text, *this);
        symbolFileName = map;
        return true;
    }
    const std::string jov = WithExtension(symbolFileName, ".jov");
    if (ReadWholeFile(jov, text) && core::LoadCompactSymbols(text, *this)) {
        symbolFileName = jov;
        return true;
    }
    return false;
}

std::shared_ptr<TMapFile> MapFileForAddress(uintptr_t address) {
    try {
        HMODULE module = nullptr;
        std::string fileName;
        if (address == 0) {
            module = GetModuleHandleA(nullptr);
            char name[MAX_PATH];
            const DWORD length = GetModuleFileNameA(module, name, MAX_PATH);
            if (length == 0 || length >= MAX_PATH) return std::make_shared<TMapFile>(false, nullptr, "");
            fileName.assign(name, length);
        } else if (!ModuleFromAddress(reinterpret_cast<const void*>(address), module, fileName)) {
            return std::make_shared<TMapFile>(false, nullptr, "");
        }
        if (auto cached = CachedTable(module, fileName)) return cached;
        if (WithoutSymbols(module, fileName)) return std::make_shared<TMapFile>(false, nullptr, "");
        auto table = std::make_shared<TMapFile>(true, module, fileName);
        if (table->valid)
            Cache().push_back({FileDosTime(table->symbolFileName), table});
        else
            NoSymbols().push_back({module, fileName, SymbolSourceTimes(fileName)});
        return table;
    } catch (...) {
        try {
            return std::make_shared<TMapFile>(false, nullptr, "");
        } catch (...) {
            return nullptr;
        }
    }
}

bool GetAddressInfo(uintptr_t address, AddressInfo& info) {
    if (address == 0) return false;
    try {
        const auto table = MapFileForAddress(address);
        if (!table || !table->valid) return false;
        const auto at = uint32_t(address);
        const TMfPublic symbol = table->FindPublic(at);
        info.moduleFileName = table->moduleFileName;
        info.unitName = table->FindSegment(at).unit;
        info.publicName = symbol.name;
        info.publicAddress = symbol.address;
        info.line = table->FindLine(at);
        return true;
    } catch (...) {
        return false;
    }
}

std::string SymbolNameAtAddress(uintptr_t address) {
    try {
        const auto table = MapFileForAddress(address);
        if (!table || !table->valid) return {};
        const TMfPublic symbol = table->FindPublic(uint32_t(address));
        return symbol.valid && symbol.address == address ? symbol.name : std::string();
    } catch (...) {
        return {};
    }
}

void SymbolLineOfAddress(uintptr_t address, uint32_t& line, uintptr_t& rangeBegin, uintptr_t& rangeEnd) {
    if (address >= rangeBegin && address < rangeEnd) return;
    uint32_t end = 0;
    const auto table = MapFileForAddress(address);
    line = table && table->valid ? table->FindLine(uint32_t(address), end) : 0;
    rangeBegin = address;
    rangeEnd = line ? end : address + 1;
}

void FreeSymbolTableCache() {
    std::vector<CacheEntry> empty;
    Cache().swap(empty);
    std::vector<ModuleWithoutSymbols> none;
    NoSymbols().swap(none);
}

namespace {
bool NameForDisassembly(const void* address, std::string& name) {
    name = SymbolNameAtAddress(reinterpret_cast<uintptr_t>(address));
    return !name.empty();
}

// The listing asks line after line of one function: the remembered range saves a look-up per
// instruction. Only the crash worker lists code, so one remembered range serves.
int LineForDisassembly(const void* address) {
    static uint32_t line = 0;
    static uintptr_t rangeBegin = 0, rangeEnd = 0;
    SymbolLineOfAddress(reinterpret_cast<uintptr_t>(address), line, rangeBegin, rangeEnd);
    return int(line);
}

// The unit's initialisation and finalisation: the disassembly text names our code from these tables.
// Right after the crash reporter starts and right before it stops, so that a report made in any other
// initialisation or finalisation of the program has them.
struct DisassemblyCallbacks {
    DisassemblyCallbacks() {
        SymbolNameProc = &NameForDisassembly;
        SymbolLineProc = &LineForDisassembly;
    }
    ~DisassemblyCallbacks() {
        SymbolNameProc = nullptr;
        SymbolLineProc = nullptr;
        FreeSymbolTableCache();
    }
} installed __attribute__((init_priority(102)));
} // namespace

} // namespace jov
