#pragma once
// Finds the mail host of a domain with plain DNS queries over an abstract datagram transport: at the
// machine's name server, or by walking the delegation down from the root servers.
#include "crashreport/core/DnsMessage.h"

#include <string>
#include <string_view>
#include <vector>

namespace jov {

class DnsTransport {
public:
    virtual ~DnsTransport() = default;
    // One datagram to a server's name or address; false when the server cannot be resolved or reached.
    virtual bool Send(const std::string& server, std::string_view datagram) = 0;
    // The next datagram that arrives within the transport's wait; false on time-out or error.
    virtual bool Receive(std::string& datagram) = 0;
};

// Two root servers as addresses: asking them must not depend on a resolver that may be what is broken.
extern const std::vector<std::string> DnsRootServers;

// The text after the first "@" (all of it without one), without a final ">".
std::string MailDomain(std::string_view address);
// The last three labels of a domain.
std::string ShortDomain(std::string_view domain);

// Sends the query to every server and reads replies until one names something or every server that
// was sent to has answered; datagrams that are not replies to this query are skipped (a bounded number).
DnsNames QueryDnsServers(DnsTransport& transport, std::string_view name,
                         const std::vector<std::string>& servers, uint16_t type, uint16_t id);

class MailHostFinder {
public:
    MailHostFinder(DnsTransport& transport, std::vector<std::string> rootServers = DnsRootServers)
        : transport_(transport), rootServers_(std::move(rootServers)) {}
    // The first MX exchange of the address's domain, or empty. Without a name server the delegation
    // is walked from the root servers, at most MaxReferrals steps beyond the first referral.
    std::string LookupMailHosts(std::string_view address, const std::string& nameServer);

    static constexpr int MaxReferrals = 10;

private:
    DnsNames Query(std::string_view name, const std::vector<std::string>& servers, uint16_t type);
    std::string FirstExchange(const std::string& domain, const std::string& shortDomain,
                              const std::vector<std::string>& servers);

    DnsTransport& transport_;
    std::vector<std::string> rootServers_;
    uint16_t nextId_ = 1;
};

} // namespace jov
