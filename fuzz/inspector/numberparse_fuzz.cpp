// Number parsing and the text formatters on arbitrary input: no crash, no read past the text, and a
// parsed number formats and parses back to itself.
#include "core/DisplayFormat.h"
#include "core/NumberFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::uint8_t format = data[0] % 3;
    std::uint8_t parseFormat = 3;
    BindNumberFormats(&format, &parseFormat);
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    bool error = false;
    std::int64_t value = ParseNumber(text, &error);
    if (!error) {
        bool again = false;
        if (ParseNumber(FormatNumber64(value, {}, format), &again) != value || again) std::abort();
    }
    std::string reformatted = text;
    ReformatNumberText(reformatted);
    FormatCimDateTime(text);
    FormatDuration(fw::Value(text));
    FormatVersion(fw::Value(text));
    ExtractFileNameDef(text, "x");
    ExtractFilePathDef(text, "x");
    BindNumberFormats(nullptr, nullptr);
    return 0;
}
