#pragma once
// The import address tables of an image as the loader mapped it (virtual addresses are offsets), checked
// against the image before anything is rewritten in them.
#include "crashreport/core/PeImage.h"

#include <cstdint>
#include <vector>

namespace jov {

constexpr unsigned ImportDirectory = 1;

struct ImportAddressTable {
    uint32_t Rva;   // the first 4-byte cell
    uint32_t Count; // cells before the terminating 0
};

struct ImportTables {
    // A descriptor or an address table that lies outside the image, or a table without its end: the
    // import table is damaged and nothing of it may be written.
    bool Damaged = false;
    std::vector<ImportAddressTable> Tables; // descriptors with an address table of 0 are skipped
};

// An image without an import directory has no tables and is not damaged.
ImportTables ReadImportTables(const PeImage& image);

} // namespace jov
