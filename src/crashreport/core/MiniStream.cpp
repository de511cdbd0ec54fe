#include "crashreport/core/MiniStream.h"

#include <cstring>

namespace core {

size_t TMiniStream::Read(void* buffer, size_t count) {
    const size_t n = count < Left() ? count : Left();
    if (n) std::memcpy(buffer, block_.data() + position_, n);
    position_ += n;
    return n;
}

void TMiniStream::Write(const void* buffer, size_t count) {
    const size_t end = position_ + count;
    if (end > block_.size()) block_.resize((end + 8191) / 8192 * 8192);
    if (count) std::memcpy(block_.data() + position_, buffer, count);
    position_ = end;
    if (end > size_) size_ = end;
}

bool TMiniStream::ReadU32(uint32_t& value) {
    unsigned char b[4];
    if (Read(b, 4) != 4) return false;
    value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool TMiniStream::ReadPacked(int32_t& value) {
    signed char b;
    if (Read(&b, 1) != 1) return false;
    if (static_cast<unsigned char>(b) != 0x80) {
        value = b;
        return true;
    }
    uint32_t wide;
    if (!ReadU32(wide)) return false;
    value = static_cast<int32_t>(wide);
    return true;
}

bool TMiniStream::ReadShortString(std::string& text) {
    unsigned char length;
    if (Read(&length, 1) != 1 || length > Left()) return false;
    text.assign(block_.data() + position_, length);
    position_ += length;
    return true;
}

void TMiniStream::WriteU32(uint32_t value) {
    const unsigned char b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                                uint8_t(value >> 24)};
    Write(b, 4);
}

void TMiniStream::WritePacked(int32_t value) {
    if (value >= -127 && value <= 127) {
        const signed char b = static_cast<signed char>(value);
        Write(&b, 1);
        return;
    }
    const unsigned char marker = 0x80;
    Write(&marker, 1);
    WriteU32(static_cast<uint32_t>(value));
}

void TMiniStream::WriteShortString(std::string_view text) {
    const auto length = static_cast<unsigned char>(text.size() > 255 ? 255 : text.size());
    Write(&length, 1);
    Write(text.data(), length);
}

} // namespace core
