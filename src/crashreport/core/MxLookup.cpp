#include "crashreport/core/MxLookup.h"

namespace jov {

const std::vector<std::string> DnsRootServers = {"198.41.0.4", "193.0.14.129"};

namespace {
// Stray datagrams (late replies to an earlier query, forgeries) may not keep a look-up waiting forever.
constexpr int MaxForeignDatagrams = 16;
} // namespace

std::string MailDomain(std::string_view address) {
    const size_t at = address.find('@');
    if (at != std::string_view::npos) address.remove_prefix(at + 1);
    if (!address.empty() && address.back() == '>') address.remove_suffix(1);
    return std::string(address);
}

std::string ShortDomain(std::string_view domain) {
    size_t cut = domain.size();
    for (int dots = 0; dots < 3; ++dots) {
        cut = cut == 0 ? std::string_view::npos : domain.rfind('.', cut - 1);
        if (cut == std::string_view::npos) return std::string(domain);
    }
    return std::string(domain.substr(cut + 1));
}

DnsNames QueryDnsServers(DnsTransport& transport, std::string_view name,
                         const std::vector<std::string>& servers, uint16_t type, uint16_t id) {
    DnsNames names;
    const std::string query = BuildDnsQuery(name, type, id);
    if (query.empty()) return names;
    int pending = 0;
    for (const std::string& server : servers)
        if (!server.empty() && transport.Send(server, query)) ++pending;
    int foreign = 0;
    std::string reply;
    while (pending > 0 && transport.Receive(reply)) {
        const DnsReplyKind kind = ReadDnsReply(reply, query, names);
        if (kind == DnsReplyKind::Foreign) {
            if (++foreign > MaxForeignDatagrams) break;
            continue;
        }
        if (!names.empty()) break;
        --pending;
    }
    return names;
}

DnsNames MailHostFinder::Query(std::string_view name, const std::vector<std::string>& servers,
                               uint16_t type) {
    return QueryDnsServers(transport_, name, servers, type, nextId_++);
}

std::string MailHostFinder::FirstExchange(const std::string& domain, const std::string& shortDomain,
                                          const std::vector<std::string>& servers) {
    DnsNames names = Query(domain, servers, DnsTypeMx);
    if (names.answers.empty() && shortDomain != domain) names = Query(shortDomain, servers, DnsTypeMx);
    return names.answers.empty() ? std::string() : names.answers.front();
}

std::string MailHostFinder::LookupMailHosts(std::string_view address, const std::string& nameServer) {
    const std::string domain = MailDomain(address);
    const std::string shortDomain = ShortDomain(domain);
    if (!nameServer.empty()) return FirstExchange(domain, shortDomain, {nameServer});

    DnsNames names = Query(shortDomain, rootServers_, DnsTypeNs);
    if (names.authorities.empty()) return {};
    // The latest referral stands for the domain's name servers when the chain ends without an answer.
    std::vector<std::string> authorities = names.authorities;
    names = Query(shortDomain, authorities, DnsTypeNs);
    for (int step = 0; step < MaxReferrals && names.answers.empty() && !names.authorities.empty(); ++step) {
        authorities = names.authorities;
        names = Query(shortDomain, authorities, DnsTypeNs);
    }
    if (!names.authorities.empty()) authorities = names.authorities;
    const std::vector<std::string>& domainServers = names.answers.empty() ? authorities : names.answers;
    return FirstExchange(domain, shortDomain, domainServers);
}

} // namespace jov
