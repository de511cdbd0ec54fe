#include "crashreport/core/DnsMessage.h"

namespace jov {

namespace {

constexpr size_t HeaderSize = 12;
constexpr size_t MaxNameLength = 255;
constexpr size_t MaxLabelLength = 63;

uint16_t Word(std::string_view message, size_t offset) {
    return static_cast<uint16_t>(static_cast<unsigned char>(message[offset]) << 8 |
                                 static_cast<unsigned char>(message[offset + 1]));
}

void PutWord(std::string& message, uint16_t value) {
    message += static_cast<char>(value >> 8);
    message += static_cast<char>(value & 0xFF);
}

// Reads the records of one section; false when the message ends inside one.
bool ReadRecords(std::string_view reply, size_t& offset, unsigned count, uint16_t type,
                 std::vector<std::string>& names) {
    for (unsigned i = 0; i < count; ++i) {
        std::string owner;
        if (!DecodeDnsName(reply, offset, owner, offset)) return false;
        if (reply.size() - offset < 10) return false;
        const uint16_t recordType = Word(reply, offset);
        const size_t dataLength = Word(reply, offset + 8);
        const size_t data = offset + 10;
        if (reply.size() - data < dataLength) return false;
        offset = data + dataLength;
        const size_t nameAt = data + (type == DnsTypeMx ? 2 : 0);
        if (recordType != type || nameAt >= offset) continue;
        std::string name;
        size_t behind = 0;
        if (DecodeDnsName(reply, nameAt, name, behind) && behind <= offset && !name.empty())
            names.push_back(std::move(name));
    }
    return true;
}

} // namespace

std::string BuildDnsQuery(std::string_view name, uint16_t type, uint16_t id) {
    if (!name.empty() && name.back() == '.') name.remove_suffix(1);
    std::string query;
    PutWord(query, id);
    query += '\x01'; // recursion desired
    query += '\0';
    PutWord(query, 1); // one question
    query.append(6, '\0');
    size_t encoded = 1;
    while (!name.empty()) {
        const size_t dot = name.find('.');
        const std::string_view label = name.substr(0, dot);
        if (label.empty() || label.size() > MaxLabelLength) return {};
        encoded += label.size() + 1;
        if (encoded > MaxNameLength) return {};
        query += static_cast<char>(label.size());
        query += label;
        name = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
        if (dot != std::string_view::npos && name.empty()) return {};
    }
    query += '\0';
    PutWord(query, type);
    PutWord(query, 1); // class IN
    return query;
}

bool DecodeDnsName(std::string_view message, size_t offset, std::string& name, size_t& next) {
    name.clear();
    bool jumped = false;
    size_t limit = message.size(); // a pointer must lead before the one that led here
    for (;;) {
        if (offset >= limit) return false;
        const auto length = static_cast<unsigned char>(message[offset]);
        if (length >= 0xC0) {
            if (offset + 1 >= message.size()) return false;
            const size_t target = Word(message, offset) & 0x3FFF;
            if (!jumped) next = offset + 2;
            jumped = true;
            if (target >= offset) return false;
            limit = offset;
            offset = target;
            continue;
        }
        if (length > MaxLabelLength) return false;
        if (length == 0) {
            if (!jumped) next = offset + 1;
            return true;
        }
        if (offset + 1 + length > limit) return false;
        if (!name.empty()) name += '.';
        name.append(message.substr(offset + 1, length));
        if (name.size() > MaxNameLength) return false;
        offset += 1 + length;
    }
}

DnsReplyKind ReadDnsReply(std::string_view reply, std::string_view query, DnsNames& names) {
    names = {};
    if (query.size() <= HeaderSize || reply.size() < query.size()) return DnsReplyKind::Foreign;
    const bool response = (static_cast<unsigned char>(reply[2]) & 0x80) != 0;
    if (!response || Word(reply, 0) != Word(query, 0) || Word(reply, 4) != 1 ||
        reply.substr(HeaderSize, query.size() - HeaderSize) != query.substr(HeaderSize))
        return DnsReplyKind::Foreign;
    if ((static_cast<unsigned char>(reply[3]) & 0x0F) != 0) return DnsReplyKind::Failed;
    const uint16_t type = Word(query, query.size() - 4);
    size_t offset = query.size();
    if (ReadRecords(reply, offset, Word(reply, 6), type, names.answers) && type == DnsTypeNs)
        ReadRecords(reply, offset, Word(reply, 8), DnsTypeNs, names.authorities);
    return DnsReplyKind::Read;
}

} // namespace jov
