#pragma once
#include <cstdint>
#include <optional>
#include <span>

namespace core {

// Where an image's code and data lie, as the symbol tables see them: the first section when it holds
// code, else BaseOfCode and SizeOfCode; data from BaseOfData over the initialised and uninitialised
// sizes. All but imageBase are relative to the image's base.
struct ImageRanges {
    uint32_t imageBase = 0;
    uint32_t codeBegin = 0, codeEnd = 0;
    uint32_t dataBegin = 0, dataEnd = 0;
    uint32_t entryPoint = 0;
};

// From the image's headers (a loaded module's or its file's: the headers read the same); absent when
// they are not 32-bit PE headers or do not fit the bytes.
std::optional<ImageRanges> ReadImageRanges(std::span<const uint8_t> headers);

} // namespace core
