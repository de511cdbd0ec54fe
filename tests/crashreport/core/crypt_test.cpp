#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "crashreport/core/Base64.h"
#include "crashreport/core/Blowfish.h"
#include "crashreport/core/CompressedString.h"

namespace {

std::string FromHex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += char(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

std::string ToHex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
    return out;
}

// The reversed dword order of stored-order blocks: bytes 7..4 then 3..0.
std::string StoredOrder(std::string block) {
    std::string out;
    for (size_t b = 0; b < block.size(); b += 8)
        for (int i : {7, 6, 5, 4, 3, 2, 1, 0}) out += block[b + i];
    return out;
}

struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Published ECB vectors of the algorithm.
const Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
};

TEST(Blowfish, PublishedVectorsInBigEndianAndStoredOrder) {
    for (const Vector& v : kVectors) {
        const std::string key = FromHex(v.key);
        std::string text = FromHex(v.plain);
        core::BlowfishBuffer(text.data(), text.size(), true, false, 0, key);
        EXPECT_EQ(ToHex(text), v.cipher) << v.key;
        core::BlowfishBuffer(text.data(), text.size(), false, false, 0, key);
        EXPECT_EQ(ToHex(text), v.plain) << v.key;

        std::string stored = StoredOrder(FromHex(v.plain));
        core::BlowfishEncryptString(stored, key);
        EXPECT_EQ(ToHex(StoredOrder(stored)), v.cipher) << v.key;
        core::BlowfishDecryptString(stored, key);
        EXPECT_EQ(ToHex(StoredOrder(stored)), v.plain) << v.key;
    }
}

TEST(Blowfish, CounterModeXorsTheEncipheredIncrementedCounter) {
    // Counter bytes as stored: 10 00 .. 00; incremented as a big-endian number to 1000000000000001.
    const std::string key = FromHex("3000000000000000");
    std::string zeros(16, '\0');
    core::BlowfishBuffer(zeros.data(), zeros.size(), true, false, 0x10, key);
    EXPECT_EQ(ToHex(zeros.substr(0, 8)), "7D856F9A613063F2");

    std::string second = FromHex("1000000000000002");
    core::BlowfishBuffer(second.data(), 8, true, false, 0, key);
    EXPECT_EQ(zeros.substr(8), second);

    // Stored bytes 00 FF .. FF: the carry runs from the last byte towards the first.
    std::string carry(8, '\0');
    core::BlowfishBuffer(carry.data(), 8, true, false, 0xFFFFFFFFFFFFFF00ull, key);
    std::string expected = FromHex("0100000000000000");
    core::BlowfishBuffer(expected.data(), 8, true, false, 0, key);
    EXPECT_EQ(carry, expected);
}

TEST(Blowfish, OnlyWholeBlocksChangeAndEmptyKeysDoNothing) {
    const std::string original = "thirteen byte";
    std::string text = original;
    core::BlowfishEncryptString(text, "key");
    EXPECT_NE(text.substr(0, 8), original.substr(0, 8));
    EXPECT_EQ(text.substr(8), original.substr(8));
    core::BlowfishDecryptString(text, "key");
    EXPECT_EQ(text, original);

    text = original;
    core::BlowfishEncryptString(text, "");
    EXPECT_EQ(text, original);
}

TEST(Blowfish, PaddedStringsLoseOnlyValidPadding) {
    const std::string key = "padding key";
    struct Case {
        std::string plain;
        std::string expected;
    } cases[] = {
        {std::string("abcde") + "\3\3\3", "abcde"},
        {std::string("abcde") + "\3\3\2", std::string("abcde") + "\3\3\2"},
        {std::string("abcdefgh") + std::string(8, '\x08'), "abcdefgh"},
        {std::string("abcdefg") + "\x09", std::string("abcdefg") + "\x09"},
        {std::string("abcdefg") + '\0', std::string("abcdefg") + '\0'},
    };
    for (uint64_t counter : {uint64_t(0), uint64_t(0x1234)}) {
        for (const Case& c : cases) {
            std::string text = c.plain;
            // Encrypting in counter mode is the same keystream the decryption uses (forward).
            core::BlowfishBuffer(text.data(), text.size(), true, false, counter, key);
            core::DecryptPaddedString(text, key, counter);
            EXPECT_EQ(text, c.expected) << ToHex(c.plain) << " counter " << counter;
        }
    }
    std::string empty;
    core::DecryptPaddedString(empty, key, 0);
    EXPECT_TRUE(empty.empty());
}

TEST(Base64, Rfc4648Vectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (auto [plain, encoded] : vectors) EXPECT_EQ(core::Base64EncodeStr(plain), encoded);
    const unsigned char high[] = {0xFB, 0xFF, 0xBF};
    EXPECT_EQ(core::Base64Encode(high, 3), "+/+/");
}

std::string Compress(std::string_view plain, uint32_t storedLength, uint32_t storedCrc) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(core::kCompressedStringHeader, '\0');
    std::string deflated(deflateBound(&z, plain.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = uInt(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(deflated.data());
    z.avail_out = uInt(deflated.size());
    deflate(&z, Z_FINISH);
    deflated.resize(z.total_out);
    deflateEnd(&z);
    std::memcpy(out.data(), &storedLength, 4);
    std::memcpy(out.data() + 4, &storedCrc, 4);
    return out + deflated;
}

uint32_t Crc(std::string_view s) {
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size())));
}

TEST(CompressedString, AcceptsOnlyWholeUndamagedData) {
    const std::string plain = std::string(5000, 'a') + "the end of a long and repetitive text";
    const std::string good = Compress(plain, uint32_t(plain.size()), Crc(plain));
    EXPECT_EQ(core::UncompressString(good), plain);

    struct Case {
        const char* what;
        std::string data;
    } bad[] = {
        {"wrong CRC", Compress(plain, uint32_t(plain.size()), Crc(plain) ^ 1)},
        {"length too small", Compress(plain, uint32_t(plain.size() - 1), Crc(plain))},
        {"length too large", Compress(plain, uint32_t(plain.size() + 1), Crc(plain))},
        {"truncated stream", good.substr(0, good.size() - 3)},
        {"trailing garbage", good + "xyz"},
        {"header only", good.substr(0, 12)},
        {"short", good.substr(0, 5)},
        {"empty", ""},
        {"length beyond the deflate ratio", Compress("", 1u << 20, 0)},
        {"length beyond the cap", Compress(plain, core::kMaxUncompressedLength + 1, Crc(plain))},
    };
    for (const Case& c : bad) EXPECT_EQ(core::UncompressString(c.data), "") << c.what;
}

// The inflate wrapper on its own: a complete stream must fill the destination exactly.
TEST(CompressedString, InflateRawNeedsTheExactLength) {
    const std::string plain = "hello world";
    const std::string stream = Compress(plain, 0, 0).substr(core::kCompressedStringHeader);
    for (const std::size_t length : {plain.size() - 1, plain.size(), plain.size() + 9}) {
        std::string out(length, '\0');
        uint32_t crc = 0;
        const std::size_t written = core::InflateRaw(stream.data(), stream.size(), out.data(), length, &crc);
        if (length == plain.size()) {
            EXPECT_EQ(plain.size(), written);
            EXPECT_EQ(plain, out);
            EXPECT_EQ(Crc(plain), crc);
        } else {
            EXPECT_EQ(0u, written) << length << ": the stream ends before the destination does, or after";
        }
    }
}

} // namespace
