#include "CompactWriter.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

#include "crashreport/core/Blowfish.h"
#include "crashreport/core/CompactSymbols.h"
#include "crashreport/core/CompressedString.h"
#include "crashreport/core/MiniStream.h"

namespace symdata {
namespace {

std::string Deflate(std::string_view plain) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&z, plain.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END) throw std::runtime_error("deflate failed");
    return out;
}

void AppendU32(std::string& out, uint32_t value) {
    core::TMiniStream s;
    s.WriteU32(value);
    out += s.Data();
}

int32_t Delta(uint32_t from, uint32_t to) {
    return static_cast<int32_t>(to - from);
}

} // namespace

std::string EncodeSymbolStream(const SymbolData& data) {
    core::TMiniStream stream;
    stream.WriteU32(static_cast<uint32_t>(data.segments.size()));
    for (const auto& s : data.segments) {
        stream.WriteU32(s.start);
        stream.WriteU32(s.length);
        stream.WriteShortString(s.unit);
    }
    stream.WriteU32(static_cast<uint32_t>(data.publics.size()));
    for (size_t i = 0; i < data.publics.size(); ++i) {
        stream.WriteShortString(data.publics[i].name);
        if (i == 0)
            stream.WriteU32(data.publics[i].address);
        else
            stream.WritePacked(Delta(data.publics[i - 1].address, data.publics[i].address));
    }
    stream.WriteU32(static_cast<uint32_t>(data.lines.size()));
    for (size_t i = 0; i < data.lines.size(); ++i) {
        if (i == 0) {
            stream.WriteU32(data.lines[i].line);
            stream.WriteU32(data.lines[i].address);
        } else {
            stream.WritePacked(Delta(data.lines[i - 1].line, data.lines[i].line));
            stream.WritePacked(Delta(data.lines[i - 1].address, data.lines[i].address));
        }
    }
    if (data.entryPoint) stream.WriteU32(*data.entryPoint);
    return std::string(stream.Data());
}

std::string SealCompactStream(std::string_view plain) {
    if (plain.size() > core::kMaxUncompressedLength) throw std::runtime_error("symbol data too large");
    std::string payload;
    AppendU32(payload, static_cast<uint32_t>(plain.size()));
    AppendU32(payload, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(plain.data()),
                                                   static_cast<uInt>(plain.size()))));
    AppendU32(payload, 0);
    payload += Deflate(plain);
    if (payload.size() > core::kMaxCompactPayload) throw std::runtime_error("symbol data too large");

    const auto length = static_cast<uint32_t>(payload.size());
    core::BlowfishEncryptString(payload, core::SymbolDataPassword(length));
    std::string out(core::kCompactSymbolMagic);
    AppendU32(out, length);
    AppendU32(out, core::kCompactSymbolVersion);
    return out + payload;
}

std::string WriteCompactSymbols(const SymbolData& data) {
    return SealCompactStream(EncodeSymbolStream(data));
}

} // namespace symdata
