#pragma once
// The mail host of a recipient's domain, asked of this machine's name server or of the root servers.
#include "crashreport/core/MxLookup.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jov {

// Where look-ups and direct sessions go; tests point every one of them at the loopback address.
struct MailNetwork {
    std::string nameServer; // empty: the machine's (ListNameServers)
    uint16_t dnsPort = 53;
    std::vector<std::string> rootServers = DnsRootServers;
    uint16_t directSmtpPort = 25;
};

// The address text of one name server of this machine, or empty.
std::string ListNameServers();

// The first MX exchange of the address's domain, or empty; brackets its own Winsock session.
std::string LookupMailHosts(const std::string& address, const MailNetwork& network = {});

} // namespace jov
