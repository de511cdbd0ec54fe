#pragma once
// DNS messages as servers send them, for the fakes of the mail tests.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jov::test {

using namespace std::string_literals;

inline std::string Name(std::string_view dotted) {
    std::string out;
    while (!dotted.empty()) {
        const size_t dot = dotted.find('.');
        const std::string_view label = dotted.substr(0, dot);
        out += char(label.size());
        out += label;
        dotted = dot == std::string_view::npos ? std::string_view() : dotted.substr(dot + 1);
    }
    return out + '\0';
}

inline std::string Word(uint16_t value) {
    return {char(value >> 8), char(value & 0xFF)};
}

struct Record {
    uint16_t type;
    std::string data; // RDATA as it stands in the message
};

inline std::string MxData(uint16_t preference, std::string_view host) {
    return Word(preference) + Name(host);
}

// A reply to `query`: the header echoes it with the response bit, records own the question's name.
inline std::string Reply(std::string_view query, const std::vector<Record>& answers,
                         const std::vector<Record>& authorities = {}, uint8_t rcode = 0) {
    std::string reply(query);
    reply[2] = char(reply[2] | 0x80);
    reply[3] = char(0x80 | rcode);
    reply.replace(6, 4, Word(uint16_t(answers.size())) + Word(uint16_t(authorities.size())));
    for (const auto* section : {&answers, &authorities})
        for (const Record& r : *section)
            reply += "\xC0\x0C"s + Word(r.type) + Word(1) + "\0\0\x0E\x10"s + Word(uint16_t(r.data.size())) +
                     r.data;
    return reply;
}

} // namespace jov::test
