#include "crashreport/core/UnwindTables.h"

#include <algorithm>
#include <string_view>

namespace core {
namespace {

// Pointer encodings: the low nibble is the format, bits 4-6 what the value is relative to.
constexpr std::uint8_t kOmit = 0xFF;
constexpr std::uint8_t kIndirect = 0x80;
enum : std::uint8_t { kAbsolute = 0x00, kPcRelative = 0x10, kAligned = 0x50 };

class Cursor {
public:
    Cursor(std::span<const std::uint8_t> bytes, Address address) : bytes_(bytes), address_(address) {}

    bool Ok() const { return ok_; }
    std::size_t Position() const { return position_; }
    std::size_t Size() const { return bytes_.size(); }
    Address Here() const { return address_ + static_cast<Address>(position_); }
    void Seek(std::size_t position) {
        if (position > bytes_.size())
            ok_ = false;
        else
            position_ = position;
    }

    std::uint64_t Fixed(unsigned size) {
        if (!ok_ || bytes_.size() - position_ < size) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (unsigned i = 0; i < size; ++i) value |= std::uint64_t(bytes_[position_ + i]) << (8 * i);
        position_ += size;
        return value;
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Fixed(1)); }

    // Variable-length numbers of more than 10 bytes are damage (and would make a walk cost more than
    // its bytes).
    std::uint64_t Uleb() {
        std::uint64_t value = 0;
        for (unsigned shift = 0; shift < 70; shift += 7) {
            const std::uint8_t b = Byte();
            if (!ok_) return 0;
            if (shift < 64) value |= std::uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) return value;
        }
        ok_ = false;
        return 0;
    }
    std::int64_t Sleb() {
        std::uint64_t value = 0;
        for (unsigned shift = 0; shift < 70; shift += 7) {
            const std::uint8_t b = Byte();
            if (!ok_) return 0;
            if (shift < 64) value |= std::uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) {
                if (shift + 7 < 64 && (b & 0x40)) value |= ~std::uint64_t(0) << (shift + 7);
                return static_cast<std::int64_t>(value);
            }
        }
        ok_ = false;
        return 0;
    }

    // A zero-ended text that ends before `limit`.
    std::string_view Text(std::size_t limit) {
        limit = std::min(limit, bytes_.size());
        if (position_ >= limit) {
            ok_ = false;
            return {};
        }
        const std::size_t end =
            std::find(bytes_.begin() + position_, bytes_.begin() + limit, 0) - bytes_.begin();
        if (end == limit) {
            ok_ = false;
            return {};
        }
        const std::string_view text(reinterpret_cast<const char*>(bytes_.data()) + position_,
                                    end - position_);
        position_ = end + 1;
        return text;
    }

    // An encoded pointer, 0 for none. Indirect values are the address of the cell that holds the pointer
    // (only the personality routine is indirect, and it is skipped). Relative to text, data or function:
    // unsupported.
    Address Pointer(std::uint8_t encoding) {
        if (encoding == kOmit) return 0;
        const Address field = Here();
        if ((encoding & 0x70) == kAligned) {
            Seek((position_ + 3) & ~std::size_t(3));
            encoding = kAbsolute;
        }
        std::uint64_t value = 0;
        switch (encoding & 0x0F) {
        case 0x00:
            value = Fixed(4);
            break;
        case 0x01:
            value = Uleb();
            break;
        case 0x02:
            value = Fixed(2);
            break;
        case 0x03:
            value = Fixed(4);
            break;
        case 0x04:
            value = Fixed(8);
            break;
        case 0x09:
            value = static_cast<std::uint64_t>(Sleb());
            break;
        case 0x0A:
            value = static_cast<std::uint64_t>(static_cast<std::int16_t>(Fixed(2)));
            break;
        case 0x0B:
            value = static_cast<std::uint64_t>(static_cast<std::int32_t>(Fixed(4)));
            break;
        case 0x0C:
            value = Fixed(8);
            break;
        default:
            ok_ = false;
            return 0;
        }
        if (!value) return 0; // "none" in every encoding, as the unwinder reads it
        switch (encoding & 0x70) {
        case kAbsolute:
            break;
        case kPcRelative:
            value += field;
            break;
        default:
            ok_ = false;
            return 0;
        }
        return static_cast<Address>(value);
    }

private:
    std::span<const std::uint8_t> bytes_;
    Address address_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

// What a frame entry needs of its common information entry.
struct CommonInfo {
    std::uint8_t CodeEncoding = kAbsolute;
    std::uint8_t LsdaEncoding = kOmit;
    bool HasAugmentationData = false;
};

std::optional<CommonInfo> ReadCommonInfo(Cursor& c, std::size_t end) {
    CommonInfo info;
    const std::uint8_t version = c.Byte();
    if (version != 1 && version != 3) return std::nullopt;
    const std::string_view augmentation = c.Text(end);
    if (!c.Ok()) return std::nullopt;
    if (augmentation.starts_with("eh")) c.Fixed(4);
    c.Uleb(); // code alignment
    c.Sleb(); // data alignment
    version == 1 ? c.Byte() : c.Uleb();
    if (!augmentation.starts_with('z'))
        return c.Ok() && c.Position() <= end ? std::optional(info) : std::nullopt;
    info.HasAugmentationData = true;
    const std::uint64_t length = c.Uleb();
    if (!c.Ok() || length > end - c.Position()) return std::nullopt;
    const std::size_t dataEnd = c.Position() + static_cast<std::size_t>(length);
    for (char letter : augmentation.substr(1)) {
        if (letter == 'L')
            info.LsdaEncoding = c.Byte();
        else if (letter == 'R')
            info.CodeEncoding = c.Byte();
        else if (letter == 'P')
            c.Pointer(c.Byte() & ~kIndirect);
        else if (letter != 'S' && letter != 'B')
            break; // unknown: the length skips the rest
    }
    if (!c.Ok() || c.Position() > dataEnd) return std::nullopt;
    return info;
}

} // namespace

bool IsUnwindSection(std::span<const std::uint8_t> section) {
    Cursor c(section, 0);
    const std::uint32_t length = static_cast<std::uint32_t>(c.Fixed(4));
    const std::uint32_t id = static_cast<std::uint32_t>(c.Fixed(4));
    if (!c.Ok() || id != 0 || length < 8 || length > section.size() - 4) return false;
    return ReadCommonInfo(c, 4 + std::size_t(length)).has_value();
}

bool ForEachUnwindEntry(std::span<const std::uint8_t> section, Address address,
                        const std::function<bool(const TUnwindEntry&)>& visit) {
    Cursor c(section, address);
    std::optional<CommonInfo> cached;
    std::size_t cachedAt = 0;
    while (c.Position() < c.Size()) {
        const std::size_t start = c.Position();
        const std::uint32_t length = static_cast<std::uint32_t>(c.Fixed(4));
        if (!c.Ok()) return false;
        if (length == 0) return true; // the terminator
        if (length == 0xFFFFFFFF || length > c.Size() - c.Position()) return false;
        const std::size_t end = c.Position() + length;
        const std::size_t idField = c.Position();
        const std::uint32_t id = static_cast<std::uint32_t>(c.Fixed(4));
        if (!c.Ok()) return false;
        if (id != 0) {
            // A frame entry: its common information lies `id` bytes before the id field.
            if (id > idField) return false;
            // Entries share a few common ones: read each once in a row.
            const std::size_t commonAt = idField - id;
            if (!cached || cachedAt != commonAt) {
                Cursor common(section, address);
                common.Seek(commonAt);
                const std::uint32_t commonLength = static_cast<std::uint32_t>(common.Fixed(4));
                if (!common.Ok() || commonLength < 4 || commonLength > common.Size() - common.Position())
                    return false;
                const std::size_t commonEnd = common.Position() + commonLength;
                if (common.Fixed(4) != 0) return false;
                cached = ReadCommonInfo(common, commonEnd);
                cachedAt = commonAt;
                if (!cached) return false;
            }
            const std::optional<CommonInfo>& info = cached;
            TUnwindEntry entry;
            entry.Begin = c.Pointer(info->CodeEncoding);
            entry.End = entry.Begin + c.Pointer(info->CodeEncoding & 0x0F);
            if (info->HasAugmentationData) {
                const std::uint64_t dataLength = c.Uleb();
                const std::size_t dataStart = c.Position();
                if (c.Ok() && dataLength && info->LsdaEncoding != kOmit)
                    entry.Lsda = c.Pointer(info->LsdaEncoding);
                if (c.Ok() && c.Position() - dataStart > dataLength) return false;
            }
            if (!c.Ok() || c.Position() > end) return false;
            if (!visit(entry)) return true;
        }
        c.Seek(end);
        if (c.Position() <= start) return false;
    }
    return true;
}

std::optional<TUnwindEntry> FindUnwindEntry(std::span<const std::uint8_t> section, Address address,
                                            Address code) {
    std::optional<TUnwindEntry> found;
    ForEachUnwindEntry(section, address, [&](const TUnwindEntry& entry) {
        if (code >= entry.Begin && code < entry.End) found = entry;
        return !found;
    });
    return found;
}

bool ReadLandingPads(std::span<const std::uint8_t> lsda, Address address, Address codeBegin,
                     const std::function<void(Address)>& pad) {
    Cursor c(lsda, address);
    const std::uint8_t startEncoding = c.Byte();
    const Address padBase = startEncoding == kOmit ? codeBegin : c.Pointer(startEncoding);
    if (c.Byte() != kOmit) c.Uleb(); // where the type table lies: catch clauses are not needed here
    const std::uint8_t siteEncoding = c.Byte();
    const std::uint64_t tableLength = c.Uleb();
    if (!c.Ok() || tableLength > c.Size() - c.Position()) return false;
    const std::size_t end = c.Position() + static_cast<std::size_t>(tableLength);
    while (c.Ok() && c.Position() < end) {
        c.Pointer(siteEncoding); // start of the call site
        c.Pointer(siteEncoding); // its length
        const Address landingPad = c.Pointer(siteEncoding);
        c.Uleb(); // action
        if (c.Ok() && c.Position() <= end && landingPad) pad(padBase + landingPad);
    }
    return c.Ok() && c.Position() == end;
}

bool FindLandingPads(std::span<const std::uint8_t> section, Address address, Address code,
                     const std::function<std::span<const std::uint8_t>(Address)>& bytesAt,
                     TLandingPads& result) {
    result = {};
    const std::optional<TUnwindEntry> entry = FindUnwindEntry(section, address, code);
    if (!entry) return false;
    result.Entry = *entry;
    if (entry->Lsda) {
        // Pads of a damaged table would lead the analysis into whatever bytes they name.
        if (!ReadLandingPads(bytesAt(entry->Lsda), entry->Lsda, entry->Begin,
                             [&](Address pad) { result.Pads.push_back(pad); }))
            result.Pads.clear();
        std::sort(result.Pads.begin(), result.Pads.end());
        result.Pads.erase(std::unique(result.Pads.begin(), result.Pads.end()), result.Pads.end());
    }
    return true;
}

} // namespace core
