#include "crashreport/core/CompactSymbols.h"
#include "crashreport/core/LittleEndian.h"

#include <algorithm>
#include <cstdio>

#include "crashreport/core/Blowfish.h"
#include "crashreport/core/CompressedString.h"
#include "crashreport/core/MiniStream.h"

namespace core {
namespace {

// Smallest encodings, so that a count can be checked against the bytes left before anything is read.
constexpr size_t kMinSegmentBytes = 9;
constexpr size_t kMinPublicBytes = 2;
constexpr size_t kMinLineBytes = 2;

// Deflate turns a few bytes into many tiny records: beyond this many records per stored byte the data
// is built to exhaust memory, not written by the symbol writer.
constexpr size_t kMaxRecordsPerStoredByte = 8;
constexpr size_t kMinRecordBudget = 4096;

// The writer stores every list in ascending order, and the look-ups search it so; data that is not keeps
// its records but in the order the look-ups need.
void SortByAddress(SymbolTable& table) {
    auto sortBy = [](auto& list, auto key) {
        const auto less = [&](const auto& a, const auto& b) { return key(a) < key(b); };
        if (!std::is_sorted(list.begin(), list.end(), less)) std::stable_sort(list.begin(), list.end(), less);
    };
    sortBy(table.segments, [](const TMfSegment& s) { return s.start; });
    sortBy(table.publics, [](const TMfPublic& p) { return p.address; });
    sortBy(table.lines, [](const TMfLine& l) { return l.address; });
}

// Each count is checked against the bytes left and against the records still allowed.
bool TakeCount(TMiniStream& in, size_t minBytes, size_t extra, size_t& budget, uint32_t& count) {
    if (!in.ReadU32(count) || count > in.Left() / minBytes + extra || count > budget) return false;
    budget -= count;
    return true;
}

bool ReadSymbols(TMiniStream& in, size_t budget, SymbolTable& table) {
    uint32_t count;
    if (!TakeCount(in, kMinSegmentBytes, 0, budget, count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t start, length;
        std::string unit;
        if (!in.ReadU32(start) || !in.ReadU32(length) || !in.ReadShortString(unit)) return false;
        table.segments.push_back(TMfSegment{true, true, table.codeBegin + start, length, std::move(unit)});
    }
    if (!TakeCount(in, kMinPublicBytes, 0, budget, count)) return false;
    uint32_t address = 0;
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        if (!in.ReadShortString(name)) return false;
        if (i == 0) {
            if (!in.ReadU32(address)) return false;
        } else {
            int32_t delta;
            if (!in.ReadPacked(delta)) return false;
            address += static_cast<uint32_t>(delta);
        }
        table.publics.push_back(TMfPublic{true, true, std::move(name), table.codeBegin + address});
    }
    if (!TakeCount(in, kMinLineBytes, 1, budget, count)) return false;
    if (count > 0) {
        uint32_t line;
        if (!in.ReadU32(line) || !in.ReadU32(address)) return false;
        table.lines.push_back(TMfLine{line, table.codeBegin + address});
        for (uint32_t i = 1; i < count; ++i) {
            int32_t lineDelta, addressDelta;
            if (!in.ReadPacked(lineDelta) || !in.ReadPacked(addressDelta)) return false;
            line += static_cast<uint32_t>(lineDelta);
            address += static_cast<uint32_t>(addressDelta);
            table.lines.push_back(TMfLine{line, table.codeBegin + address});
        }
    }
    if (in.Left() == 4) {
        uint32_t entry;
        in.ReadU32(entry);
        table.entryPoint = table.codeBegin + entry;
    }
    SortByAddress(table);
    return true;
}

} // namespace

std::string SymbolDataPassword(uint32_t payloadLength) {
    // Only the prefix lives in the image; the rest depends on the data it opens.
    char prefix[7] = {'Q', 'x', '7', '#', 'o', 'S', 0};
    char text[29];
    std::snprintf(text, sizeof text, "%s%08X%s%08u", prefix, payloadLength, prefix,
                  payloadLength % 100000000u);
    std::string password = std::string(text) + text;
    const std::string key = password;
    BlowfishEncryptString(password, key);
    return password;
}

bool LoadCompactSymbols(std::string_view data, SymbolTable& table) {
    table.ClearSymbols();
    if (data.size() <= kCompactSymbolHeader ||
        data.substr(0, kCompactSymbolMagic.size()) != kCompactSymbolMagic)
        return false;
    const uint32_t payloadLength = jov::LoadU32(data.data() + 14);
    if (jov::LoadU32(data.data() + 18) != kCompactSymbolVersion || payloadLength > kMaxCompactPayload ||
        payloadLength > data.size() - kCompactSymbolHeader)
        return false;
    std::string payload(data.substr(kCompactSymbolHeader, payloadLength));
    BlowfishDecryptString(payload, SymbolDataPassword(payloadLength));
    const std::string stream = UncompressString(payload);
    if (stream.empty()) return false;
    TMiniStream in(stream);
    const size_t budget = std::max(kMinRecordBudget, size_t(payloadLength) * kMaxRecordsPerStoredByte);
    if (ReadSymbols(in, budget, table)) return true;
    table.ClearSymbols();
    return false;
}

} // namespace core
