#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "crashreport/core/SymbolTable.h"

namespace jov {

using core::TMfPublic;
using core::TMfSegment;

// The symbols of one loaded module, from the first source that has them: the module's own resource
// "EXCEPT" of type JOV, TD32 debug information, a ".map" file beside it, a ".jov" file beside it.
class TMapFile : public core::SymbolTable {
public:
    TMapFile(bool valid, HMODULE module, const std::string& moduleFileName);

    HMODULE module = nullptr;
    std::string moduleFileName;
    // The module file, or the ".map"/".jov" file the table came from; its time decides staleness.
    std::string symbolFileName;

private:
    void readImageRanges();
    bool loadResource();
    bool loadTd32();
    bool loadFilesBeside();
};

// Tables stay cached per module for the life of the process; callers share them. The table of the
// module holding the address (0: the program itself), invalid when it has no symbols. Never null.
std::shared_ptr<TMapFile> MapFileForAddress(uintptr_t address);

struct AddressInfo {
    std::string moduleFileName;
    std::string unitName;
    std::string publicName;
    uintptr_t publicAddress = 0;
    uint32_t line = 0;
};
// False for address 0 or an address whose module has no symbols.
bool GetAddressInfo(uintptr_t address, AddressInfo& info);

// For the disassembly text: the public's name only when it starts exactly at the address.
std::string SymbolNameAtAddress(uintptr_t address);
// For the disassembly text: keeps the remembered line while the address stays in its range, else looks
// the line up and remembers it from the address to the end of its range.
void SymbolLineOfAddress(uintptr_t address, uint32_t& line, uintptr_t& rangeBegin, uintptr_t& rangeEnd);

// Frees every cached table (the crash reporter's shut-down).
void FreeSymbolTableCache();

} // namespace jov
