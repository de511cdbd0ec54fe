#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/core/DnsMessage.h"
#include "crashreport/core/SmtpReply.h"

namespace {

// The input as a server's byte stream, cut into pieces whose sizes the input's first byte picks.
class InputStream : public jov::StreamTransport {
public:
    InputStream(std::string_view data, size_t piece) : data_(data), piece_(piece) {}
    bool SendAll(std::string_view) override { return true; }
    size_t Receive(char* buffer, size_t size) override {
        const size_t n = std::min({size, piece_, data_.size()});
        data_.copy(buffer, n);
        data_.remove_prefix(n);
        return n;
    }

private:
    std::string_view data_;
    size_t piece_;
};

void DnsReply(std::string_view input) {
    if (input.size() > jov::DnsMessageSize) input = input.substr(0, jov::DnsMessageSize);
    const uint16_t type = !input.empty() && (input[0] & 1) ? jov::DnsTypeMx : jov::DnsTypeNs;
    const std::string query = jov::BuildDnsQuery("mail.example.com", type, 0x4D31);
    // Most inputs become replies to the query, so that the records behind the question are read.
    std::string reply(input);
    if (reply.size() >= query.size() && (input[0] & 2)) {
        reply.replace(0, 2, query.substr(0, 2));
        reply[2] = static_cast<char>(reply[2] | 0x80);
        reply.replace(4, 2, query.substr(4, 2));
        reply.replace(12, query.size() - 12, query.substr(12));
    }
    jov::DnsNames names;
    jov::ReadDnsReply(reply, query, names);
    std::string name;
    for (size_t offset = 0; offset < reply.size(); ++offset) {
        size_t next = 0;
        jov::DecodeDnsName(reply, offset, name, next);
    }
}

void SmtpReplies(std::string_view input) {
    const size_t piece = input.empty() ? 1 : 1 + static_cast<unsigned char>(input[0]) % 64;
    InputStream stream(input, piece);
    jov::SmtpReplyReader reader(stream);
    bool authLogin = false;
    for (int i = 0; i < 64 && reader.ReadReply("250", &authLogin); ++i) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    DnsReply(input);
    SmtpReplies(input);
    return 0;
}
