#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// A memory stream for the compact symbol data: reads copy at most what is left, writes grow the block
// in steps of 8 KB.
class TMiniStream {
public:
    TMiniStream() = default;
    explicit TMiniStream(std::string_view data) : block_(data.begin(), data.end()), size_(data.size()) {}

    size_t Read(void* buffer, size_t count);
    void Write(const void* buffer, size_t count);

    bool ReadU32(uint32_t& value);
    // Signed byte, or 0x80 and a signed 32-bit integer.
    bool ReadPacked(int32_t& value);
    // Length byte and characters; a length beyond the data reads nothing.
    bool ReadShortString(std::string& text);

    void WriteU32(uint32_t value);
    void WritePacked(int32_t value);
    // Texts longer than 255 characters are cut.
    void WriteShortString(std::string_view text);

    size_t Size() const { return size_; }
    size_t Position() const { return position_; }
    size_t Left() const { return size_ - position_; }
    std::string_view Data() const { return {block_.data(), size_}; }

private:
    std::vector<char> block_;
    size_t size_ = 0;
    size_t position_ = 0;
};

} // namespace core
