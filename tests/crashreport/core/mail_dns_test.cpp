#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "crashreport/core/DnsMessage.h"
#include "crashreport/core/DnsReplies.h"
#include "crashreport/core/MxLookup.h"

namespace {

using namespace std::string_literals;
using namespace jov::test;

TEST(DnsQuery, BytesOfMxAndNsQueries) {
    EXPECT_EQ(jov::BuildDnsQuery("example.com", jov::DnsTypeMx, 1), "\0\x01\x01\0\0\x01\0\0\0\0\0\0\x07"
                                                                    "example\x03"
                                                                    "com\0\0\x0F\0\x01"s);
    const std::string ns = jov::BuildDnsQuery("mail.example.org.", jov::DnsTypeNs, 0x1234);
    EXPECT_EQ(ns.size(), 16u + 18u); // n + 18, n being the name without its final dot
    EXPECT_EQ(ns.substr(0, 4), "\x12\x34\x01\0"s);
    EXPECT_EQ(ns.substr(ns.size() - 4), "\0\x02\0\x01"s);
    // Names that no DNS message can carry.
    for (const std::string& bad :
         {"a..b"s, ".a"s, std::string(64, 'x') + ".com", "a."s + std::string(254, 'b')})
        EXPECT_EQ(jov::BuildDnsQuery(bad, jov::DnsTypeMx, 1), "") << bad;
}

TEST(DnsName, DecodingStaysInsideTheMessageAndEnds) {
    const std::string header(12, '\0');
    struct Case {
        const char* what;
        std::string message;
        size_t offset;
        bool ok;
        std::string name;
        size_t next;
    };
    const std::string base = header + Name("example.com"); // at 12, 13 bytes
    const Case cases[] = {
        {"plain", base, 12, true, "example.com", 25},
        {"pointer after a label", base + "\x03www\xC0\x0C"s, 25, true, "www.example.com", 31},
        {"pointer to a pointer", base + "\x03www\xC0\x0C\xC0\x19"s, 31, true, "www.example.com", 33},
        {"pointer into a name's middle", base + "\xC0\x14"s, 25, true, "com", 27},
        {"label beyond the end",
         header + "\x05"
                  "ab"s,
         12, false, "", 0},
        {"no final zero",
         header + "\x02"
                  "ab"s,
         12, false, "", 0},
        {"pointer cut in half", base + "\x03www\xC0"s, 25, false, "", 0},
        {"pointer to itself", header + "\xC0\x0C"s, 12, false, "", 0},
        {"two pointers in a loop", header + "\xC0\x0E\xC0\x0C"s, 14, false, "", 0},
        {"pointer forwards", header + "\xC0\x0E\x00"s, 12, false, "", 0},
        {"pointer beyond the message", header + "\xC1\xFF"s, 12, false, "", 0},
        {"reserved label kind", header + "\x40"s + std::string(64, 'a') + '\0', 12, false, "", 0},
        {"offset at the end", base, base.size(), false, "", 0},
    };
    for (const Case& c : cases) {
        std::string name;
        size_t next = 0;
        EXPECT_EQ(jov::DecodeDnsName(c.message, c.offset, name, next), c.ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(name, c.name) << c.what;
            EXPECT_EQ(next, c.next) << c.what;
        }
    }
    // A chain of backward pointers, each adding a label, cannot make a name longer than DNS allows.
    std::string chain = header + Name("a");
    size_t previous = 12;
    for (int i = 0; i < 200; ++i) {
        const size_t here = chain.size();
        chain += "\x01z"s + char(0xC0 | previous >> 8) + char(previous & 0xFF);
        previous = here;
    }
    std::string name;
    size_t next = 0;
    EXPECT_FALSE(jov::DecodeDnsName(chain, previous, name, next));
}

TEST(DnsReply, MatchingAndRecordTypes) {
    const std::string query = jov::BuildDnsQuery("example.com", jov::DnsTypeMx, 7);
    jov::DnsNames names;

    // Several exchanges in the order of the reply, whatever their preference; a CNAME is no mail host.
    const std::string reply = Reply(query, {{5, Name("alias.example.net")},
                                            {15, MxData(20, "mx2.example.com")},
                                            {15, MxData(10, "mx1.example.com")}});
    ASSERT_EQ(jov::ReadDnsReply(reply, query, names), jov::DnsReplyKind::Read);
    EXPECT_EQ(names.answers, (std::vector<std::string>{"mx2.example.com", "mx1.example.com"}));

    std::string otherId = reply;
    otherId[1] = 8;
    std::string noResponseBit = reply;
    noResponseBit[2] = 0x01;
    std::string otherQuestion = reply;
    otherQuestion[13] = 'E';
    for (const std::string& foreign : {otherId, noResponseBit, otherQuestion, reply.substr(0, 20)}) {
        EXPECT_EQ(jov::ReadDnsReply(foreign, query, names), jov::DnsReplyKind::Foreign);
        EXPECT_TRUE(names.empty());
    }
    EXPECT_EQ(jov::ReadDnsReply(Reply(query, {{15, MxData(1, "mx.example.com")}}, {}, 3), query, names),
              jov::DnsReplyKind::Failed);
    EXPECT_TRUE(names.empty());

    // A record that claims more data than the datagram holds ends the reading; what came before stays.
    std::string cut = Reply(query, {{15, MxData(1, "mx.example.com")}, {15, MxData(2, "mx9.example.com")}});
    cut.resize(cut.size() - 5);
    ASSERT_EQ(jov::ReadDnsReply(cut, query, names), jov::DnsReplyKind::Read);
    EXPECT_EQ(names.answers, std::vector<std::string>{"mx.example.com"});

    // A name inside RDATA may not reach past its record.
    const std::string spill = Reply(query, {{15, "\0\x01\x02mx"s}, {15, MxData(1, "ok.example.com")}});
    ASSERT_EQ(jov::ReadDnsReply(spill, query, names), jov::DnsReplyKind::Read);
    EXPECT_EQ(names.answers, std::vector<std::string>{"ok.example.com"});

    // An NS reply: answers and a referral's authorities, records of other types skipped.
    const std::string nsQuery = jov::BuildDnsQuery("example.com", jov::DnsTypeNs, 9);
    const std::string referral =
        Reply(nsQuery, {}, {{2, Name("a.gtld.test")}, {6, Name("soa.test")}, {2, Name("b.gtld.test")}});
    ASSERT_EQ(jov::ReadDnsReply(referral, nsQuery, names), jov::DnsReplyKind::Read);
    EXPECT_TRUE(names.answers.empty());
    EXPECT_EQ(names.authorities, (std::vector<std::string>{"a.gtld.test", "b.gtld.test"}));
}

// Servers answer through a function of (server, query); replies queue up like datagrams on a socket.
class FakeDns : public jov::DnsTransport {
public:
    std::function<std::vector<std::string>(const std::string& server, const std::string& query)> respond;
    std::vector<std::pair<std::string, std::string>> sent; // (server, query name and type)
    std::vector<std::string> unreachable;

    bool Send(const std::string& server, std::string_view datagram) override {
        if (std::find(unreachable.begin(), unreachable.end(), server) != unreachable.end()) return false;
        std::string name;
        size_t next = 0;
        jov::DecodeDnsName(datagram, 12, name, next);
        sent.emplace_back(server, name + (datagram[next + 1] == jov::DnsTypeMx ? "/MX" : "/NS"));
        for (std::string& reply : respond(server, std::string(datagram))) queue_.push_back(std::move(reply));
        return true;
    }
    bool Receive(std::string& datagram) override {
        if (queue_.empty()) return false; // the wait ran out
        datagram = std::move(queue_.front());
        queue_.pop_front();
        return true;
    }

private:
    std::deque<std::string> queue_;
};

TEST(DnsQueryServers, WaitsForAMatchingUsefulReply) {
    FakeDns dns;
    dns.unreachable = {"bad"};
    dns.respond = [](const std::string& server, const std::string& query) -> std::vector<std::string> {
        std::string stale = Reply(query, {{15, MxData(1, "stale.example.com")}});
        stale[1] = char(stale[1] + 1);
        if (server == "ns1") return {stale, Reply(query, {}, {}, 2)}; // a stale reply, then a failure
        return {Reply(query, {{15, MxData(1, "mx.example.com")}})};
    };
    jov::DnsNames names =
        jov::QueryDnsServers(dns, "example.com", {"", "bad", "ns1", "ns2"}, jov::DnsTypeMx, 3);
    EXPECT_EQ(names.answers, std::vector<std::string>{"mx.example.com"});
    EXPECT_EQ(dns.sent.size(), 2u); // empty and unreachable servers are not counted

    // Only a failure arrives: the wait for the second server runs out.
    dns.respond = [](const std::string&, const std::string& query) -> std::vector<std::string> {
        return {Reply(query, {}, {}, 3)};
    };
    EXPECT_TRUE(jov::QueryDnsServers(dns, "example.com", {"ns1"}, jov::DnsTypeMx, 4).empty());

    // A flood of foreign datagrams ends the wait instead of keeping it forever.
    dns.respond = [](const std::string&, const std::string& query) {
        std::string foreign = Reply(query, {{15, MxData(1, "x.example.com")}});
        foreign[0] = 0x55;
        return std::vector<std::string>(1000, foreign);
    };
    EXPECT_TRUE(jov::QueryDnsServers(dns, "example.com", {"ns1"}, jov::DnsTypeMx, 5).empty());
}

TEST(MailHost, DomainAndShortDomain) {
    const std::pair<const char*, const char*> domains[] = {
        {"dev@mail.example.com", "mail.example.com"},
        {"Dev <dev@example.com>", "example.com"},
        {"example.com", "example.com"},
        {"a@b@c.d", "b@c.d"},
    };
    for (const auto& [address, domain] : domains) EXPECT_EQ(jov::MailDomain(address), domain) << address;
    const std::pair<const char*, const char*> shorts[] = {
        {"com", "com"},
        {"example.com", "example.com"},
        {"mail.example.com", "mail.example.com"},
        {"a.mail.example.com", "mail.example.com"},
        {"x.y.mail.example.com", "mail.example.com"},
        {".example.co.uk", "example.co.uk"},
    };
    for (const auto& [domain, shortDomain] : shorts)
        EXPECT_EQ(jov::ShortDomain(domain), shortDomain) << domain;
}

TEST(MailHost, AtTheNameServerWithTheShortDomainAfter) {
    FakeDns dns;
    dns.respond = [](const std::string&, const std::string& query) -> std::vector<std::string> {
        std::string name;
        size_t next = 0;
        jov::DecodeDnsName(query, 12, name, next);
        if (name == "mail.example.com") return {Reply(query, {{15, MxData(5, "mx.example.com")}})};
        return {Reply(query, {})};
    };
    jov::MailHostFinder finder(dns);
    EXPECT_EQ(finder.LookupMailHosts("dev@a.mail.example.com", "10.0.0.1"), "mx.example.com");
    EXPECT_EQ(dns.sent, (std::vector<std::pair<std::string, std::string>>{
                            {"10.0.0.1", "a.mail.example.com/MX"}, {"10.0.0.1", "mail.example.com/MX"}}));
    dns.sent.clear();
    EXPECT_EQ(finder.LookupMailHosts("dev@example.org", "10.0.0.1"), "");
    EXPECT_EQ(dns.sent.size(), 1u); // nothing shorter to ask for
}

TEST(MailHost, WalkFromTheRootServers) {
    FakeDns dns;
    // Each server refers to the next one down; "ns3" finally names the domain's servers.
    int referralsUntilAnswer = 3;
    dns.respond = [&](const std::string& server, const std::string& query) -> std::vector<std::string> {
        const bool mx = query[query.size() - 3] == jov::DnsTypeMx;
        if (mx)
            return {Reply(query, server == "dns.example.com"
                                     ? std::vector<Record>{{15, MxData(1, "mx.example.com")}}
                                     : std::vector<Record>{})};
        const int level = server.rfind("ns", 0) == 0 ? std::stoi(server.substr(2)) : 0;
        if (level == referralsUntilAnswer) return {Reply(query, {{2, Name("dns.example.com")}})};
        return {Reply(query, {}, {{2, Name("ns" + std::to_string(level + 1))}})};
    };
    jov::MailHostFinder finder(dns);
    EXPECT_EQ(finder.LookupMailHosts("dev@example.com", ""), "mx.example.com");
    EXPECT_EQ(dns.sent.front(), (std::pair<std::string, std::string>{"198.41.0.4", "example.com/NS"}));
    EXPECT_EQ(dns.sent.back(), (std::pair<std::string, std::string>{"dns.example.com", "example.com/MX"}));

    // Referrals without end: the root, the first referral and ten more, then the last referral's
    // servers are asked for the mail host (of the domain, then of the short domain).
    referralsUntilAnswer = 1000;
    dns.sent.clear();
    EXPECT_EQ(finder.LookupMailHosts("dev@x.mail.example.com", ""), "");
    ASSERT_EQ(dns.sent.size(), 2u + 1u + 10u + 2u); // two root servers asked at once
    EXPECT_EQ(dns.sent[12], (std::pair<std::string, std::string>{"ns11", "mail.example.com/NS"}));
    EXPECT_EQ(dns.sent[13], (std::pair<std::string, std::string>{"ns12", "x.mail.example.com/MX"}));
    EXPECT_EQ(dns.sent[14], (std::pair<std::string, std::string>{"ns12", "mail.example.com/MX"}));

    // No referral from the roots: nothing more is asked.
    dns.respond = [](const std::string&, const std::string& query) -> std::vector<std::string> {
        return {Reply(query, {})};
    };
    dns.sent.clear();
    EXPECT_EQ(finder.LookupMailHosts("dev@example.com", ""), "");
    EXPECT_EQ(dns.sent.size(), 2u);
}

} // namespace
