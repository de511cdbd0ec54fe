#pragma once
// The few DNS messages the mail code needs: MX and NS queries over UDP and the names in their replies.
// Replies come from the network: every read stays inside the datagram.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jov {

constexpr uint16_t DnsTypeNs = 2;
constexpr uint16_t DnsTypeMx = 15;
constexpr size_t DnsMessageSize = 512; // the most a UDP reply holds without extensions

// One query with recursion desired, class IN; empty when the name does not fit a DNS name.
std::string BuildDnsQuery(std::string_view name, uint16_t type, uint16_t id);

// The name at `offset`, labels joined with "."; `next` is the offset behind it where it stands (a
// compression pointer ends it). False for a name that is truncated, too long, or whose pointers do not
// lead strictly backwards (which is what keeps a loop from running forever).
bool DecodeDnsName(std::string_view message, size_t offset, std::string& name, size_t& next);

struct DnsNames {
    std::vector<std::string> answers;     // MX exchanges or NS hosts, in the order of the reply
    std::vector<std::string> authorities; // NS hosts of a referral (NS queries only)
    bool empty() const { return answers.empty() && authorities.empty(); }
};

enum class DnsReplyKind {
    Foreign, // not the reply to this query (another ID, no response bit, another question)
    Failed,  // our reply, with a non-zero response code
    Read,
};

// Reads the reply to `query` (as BuildDnsQuery made it). Records of other types than asked are skipped;
// a record that reaches beyond the datagram ends the reading, keeping the names read so far.
DnsReplyKind ReadDnsReply(std::string_view reply, std::string_view query, DnsNames& names);

} // namespace jov
