#include "crashreport/core/CompressedString.h"
#include "crashreport/core/LittleEndian.h"

#include <zlib.h>

namespace core {
namespace {

class RawInflater {
public:
    RawInflater() { ok_ = inflateInit2(&stream_, -15) == Z_OK; }
    ~RawInflater() {
        if (ok_) inflateEnd(&stream_);
    }
    RawInflater(const RawInflater&) = delete;
    RawInflater& operator=(const RawInflater&) = delete;

    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ok_ = false;
};

} // namespace

size_t InflateRaw(const void* source, size_t sourceLength, void* dest, size_t destLength, uint32_t* crc) {
    if (!source || !dest || sourceLength > UINT32_MAX || destLength > UINT32_MAX) return 0;
    RawInflater inflater;
    if (!inflater.ok()) return 0;
    z_stream& z = inflater.stream();
    z.next_in = static_cast<Bytef*>(const_cast<void*>(source));
    z.avail_in = static_cast<uInt>(sourceLength);
    z.next_out = static_cast<Bytef*>(dest);
    z.avail_out = static_cast<uInt>(destLength);
    const int result = inflate(&z, Z_FINISH);
    // Success is a complete stream that used the whole source and filled the whole destination.
    if (result != Z_STREAM_END || z.avail_in != 0 || z.total_out != destLength) return 0;
    if (crc)
        *crc =
            static_cast<uint32_t>(crc32(0L, static_cast<const Bytef*>(dest), static_cast<uInt>(destLength)));
    return destLength;
}

std::string UncompressString(std::string_view compressed) {
    if (compressed.size() <= kCompressedStringHeader) return {};
    const uint32_t length = jov::LoadU32(compressed.data());
    const uint32_t storedCrc = jov::LoadU32(compressed.data() + 4);
    const size_t streamLength = compressed.size() - kCompressedStringHeader;
    if (length == 0 || length > kMaxUncompressedLength || length / kMaxDeflateRatio > streamLength) return {};
    std::string result(length, '\0');
    uint32_t crc = 0;
    if (InflateRaw(compressed.data() + kCompressedStringHeader, streamLength, result.data(), length, &crc) !=
            length ||
        crc != storedCrc)
        return {};
    return result;
}

} // namespace core
