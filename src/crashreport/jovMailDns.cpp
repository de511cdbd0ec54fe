#include "crashreport/jovMailDns.h"

#include "crashreport/jovHandles.h"
#include "crashreport/jovStrings.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovWinsock.h"

#include <iphlpapi.h>

#include <cstring>

namespace jov {

namespace {

std::string RegistryText(HKEY key, const char* name) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return std::string(value, strnlen(value, size));
}

// The systems before IP Helper keep the name servers in the TCP/IP settings.
std::string NameServerFromRegistry(bool win9x) {
    RegistryKey key;
    const std::string path =
        std::string("System\\CurrentControlSet\\Services\\") + (win9x ? "VxD\\MSTCP" : "Tcpip\\Parameters");
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key.handle) != ERROR_SUCCESS)
        return {};
    std::string servers = RegistryText(key.handle, "DhcpNameServer");
    if (servers.empty()) servers = RegistryText(key.handle, "NameServer");
    if (servers.empty()) return {};
    return ListItem(ListItem(servers, 1, ' '), 1, ',');
}

std::string NameServerFromIpHelper() {
    using GetNetworkParamsRoutine = DWORD(WINAPI*)(FIXED_INFO*, ULONG*);
    constexpr auto libraryName = Scramble("IpHlpApi.dll");
    constexpr auto routineName = Scramble("GetNetworkParams");
    const RuntimeLibrary library(DescrambleLiteral(libraryName.view()));
    const auto getNetworkParams =
        library.Find<GetNetworkParamsRoutine>(DescrambleLiteral(routineName.view()));
    if (!getNetworkParams) return {};
    ULONG size = 0;
    getNetworkParams(nullptr, &size);
    if (size == 0) return {};
    std::string buffer(size_t(size) * 2, '\0');
    size = static_cast<ULONG>(buffer.size());
    auto* info = reinterpret_cast<FIXED_INFO*>(buffer.data());
    if (getNetworkParams(info, &size) != ERROR_SUCCESS) return {};
    const IP_ADDR_STRING* server = info->CurrentDnsServer ? info->CurrentDnsServer : &info->DnsServerList;
    const char* text = server->IpAddress.String;
    return std::string(text, strnlen(text, sizeof server->IpAddress.String));
}

} // namespace

std::string ListNameServers() {
    TOS os;
    GetOsInfo(os);
    if (os.OsEnum == 1 || os.OsEnum == 2 || os.OsEnum == 7 || os.OsEnum == 8)
        return NameServerFromRegistry(os.IsWin9x);
    return NameServerFromIpHelper();
}

std::string LookupMailHosts(const std::string& address, const MailNetwork& network) {
    const WinsockSession winsock;
    if (!winsock.started()) return {};
    UdpDnsTransport transport(network.dnsPort);
    if (!transport.valid()) return {};
    MailHostFinder finder(transport, network.rootServers);
    return finder.LookupMailHosts(address,
                                  network.nameServer.empty() ? ListNameServers() : network.nameServer);
}

} // namespace jov
