#include "support/ImportPatch.h"

#include <cstring>

namespace {

void** FindEntry(const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        auto* entries = reinterpret_cast<void**>(base + d->FirstThunk);
        for (int i = 0; names[i].u1.AddressOfData; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            auto* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(name->Name), function) == 0) return &entries[i];
        }
    }
    return nullptr;
}

} // namespace

ImportPatch::ImportPatch(const char* dll, const char* function, void* replacement)
    : entry_(FindEntry(dll, function)) {
    if (!entry_) return;
    original_ = *entry_;
    set(replacement);
}

ImportPatch::~ImportPatch() {
    if (entry_) set(original_);
}

void ImportPatch::set(void* target) {
    DWORD protection = 0;
    VirtualProtect(entry_, sizeof *entry_, PAGE_READWRITE, &protection);
    *entry_ = target;
    VirtualProtect(entry_, sizeof *entry_, protection, &protection);
}
