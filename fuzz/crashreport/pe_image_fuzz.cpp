// Any bytes, read as a mapped image and as a file, and the same bytes as patches over a valid image:
// the export parser may find nothing, but never reads outside what it was given.
#include "crashreport/core/Demangle.h"
#include "crashreport/core/PeImage.h"

#include "../../tests/crashreport/core/TestPeImage.h"

#include <cstddef>
#include <cstdint>

namespace {

void Exercise(std::span<const uint8_t> bytes, bool fileLayout) {
    if (const auto nt = jov::ImageNtHeaders(bytes)) {
        jov::ImageSizeOfImage(bytes);
        for (uint32_t rva : {0u, 0x1010u, 0x2400u, 0xFFFFFFFFu}) jov::RvaToFileOffset(bytes, *nt, rva);
    }
    const auto exports = jov::PeExports::Read({bytes, fileLayout});
    if (!exports) return;
    // Bounded so that huge counts in a damaged table do not turn one input into minutes.
    for (uint32_t i = 0; i < exports->NameCount() && i < 16; ++i) {
        const auto name = exports->Name(i);
        if (!name) continue;
        exports->FunctionIndexByName(*name);
        std::string text(*name), unit;
        jov::DemangleSymbol(text, unit);
    }
    for (uint32_t i = 0; i < exports->FunctionCount() && i < 16; ++i) {
        const auto rva = exports->FunctionRva(i);
        if (!rva) continue;
        if (const auto text = exports->ForwarderText(*rva))
            for (auto f = jov::ParseForwarder(*text); f;
                 f = jov::ParseForwarder(*text, f->Module.size() + 1)) {
            }
        if (i < 8) jov::ExportNameOfRva(*exports, *rva, true);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> raw(data, size);
    Exercise(raw, false);
    Exercise(raw, true);

    // Six bytes per patch: where (modulo the image) and the 32-bit value to put there.
    TestImage image;
    for (size_t i = 0; i + 6 <= size && i < 6 * 16; i += 6) {
        const uint32_t at = (data[i] | uint32_t{data[i + 1]} << 8) % (image.mapped.size() - 3);
        uint32_t value;
        std::memcpy(&value, data + i + 2, 4);
        image.put32(at, value);
    }
    image.makeFile();
    Exercise(image.mapped, false);
    Exercise(image.file, true);
    return 0;
}
