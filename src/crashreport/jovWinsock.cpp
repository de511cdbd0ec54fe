#include "crashreport/jovWinsock.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace jov {

WinsockSession::WinsockSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

WinsockSession::~WinsockSession() {
    if (started_) WSACleanup();
}

OwnedSocket::~OwnedSocket() {
    reset();
}

void OwnedSocket::reset() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

uint32_t ResolveHostAddress(const std::string& text) {
    const uint32_t address = inet_addr(text.c_str());
    if (address != INADDR_NONE) return address;
    const hostent* host = gethostbyname(text.c_str());
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list ||
        !host->h_addr_list[0])
        return INADDR_NONE;
    uint32_t first;
    memcpy(&first, host->h_addr_list[0], sizeof first);
    return first;
}

bool WaitReadable(SOCKET socket, DWORD milliseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait{static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000 * 1000)};
    return select(0, &readable, nullptr, nullptr, &wait) > 0;
}

namespace {

sockaddr_in Endpoint(uint32_t address, uint16_t port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(port);
    endpoint.sin_addr.s_addr = address;
    return endpoint;
}

} // namespace

UdpDnsTransport::UdpDnsTransport(uint16_t serverPort)
    : socket_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)), serverPort_(serverPort) {
    const sockaddr_in local = Endpoint(INADDR_ANY, 0);
    if (socket_.valid() && bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        socket_.reset();
}

bool UdpDnsTransport::Send(const std::string& server, std::string_view datagram) {
    const uint32_t address = ResolveHostAddress(server);
    if (!valid() || address == INADDR_NONE) return false;
    const sockaddr_in to = Endpoint(address, serverPort_);
    return sendto(socket_.get(), datagram.data(), static_cast<int>(datagram.size()), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to) == static_cast<int>(datagram.size());
}

bool UdpDnsTransport::Receive(std::string& datagram) {
    if (!valid() || !WaitReadable(socket_.get(), DnsWaitMilliseconds)) return false;
    char buffer[DnsMessageSize];
    const int received = recvfrom(socket_.get(), buffer, sizeof buffer, 0, nullptr, nullptr);
    // A longer datagram arrives cut to the buffer, which the reply reader copes with.
    if (received == SOCKET_ERROR && WSAGetLastError() == WSAEMSGSIZE) {
        datagram.assign(buffer, sizeof buffer);
        return true;
    }
    if (received <= 0) return false;
    datagram.assign(buffer, static_cast<size_t>(received));
    return true;
}

bool TcpConnection::SendAll(std::string_view data) {
    while (!data.empty()) {
        const int piece = static_cast<int>(std::min<size_t>(data.size(), 1024));
        const int sent = send(socket_.get(), data.data(), piece, 0);
        if (sent <= 0) return false;
        data.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

size_t TcpConnection::Receive(char* buffer, size_t size) {
    if (!WaitReadable(socket_.get(), SmtpWaitMilliseconds)) return 0;
    const int received = recv(socket_.get(), buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
    return received > 0 ? static_cast<size_t>(received) : 0;
}

std::unique_ptr<TcpConnection> ConnectTcp(const std::string& host, uint16_t port) {
    const SOCKET tcp = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (tcp == INVALID_SOCKET) return nullptr;
    auto connection = std::make_unique<TcpConnection>(tcp);
    const uint32_t address = ResolveHostAddress(host);
    if (address == INADDR_NONE) return nullptr;
    const sockaddr_in to = Endpoint(address, port);
    // Not the system's own time-out (some 20 s, often more) while the dialog that mails waits: a host that
    // does not accept within the reply time fails like one that does not answer.
    u_long nonBlocking = 1;
    if (ioctlsocket(tcp, FIONBIO, &nonBlocking) != 0) return nullptr;
    if (connect(tcp, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return nullptr;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_SET(tcp, &writable);
        FD_ZERO(&failed);
        FD_SET(tcp, &failed);
        timeval wait{static_cast<long>(SmtpWaitMilliseconds / 1000), 0};
        if (select(0, nullptr, &writable, &failed, &wait) <= 0 || !FD_ISSET(tcp, &writable)) return nullptr;
        int error = 0;
        int length = sizeof error;
        if (getsockopt(tcp, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
            error != 0)
            return nullptr;
    }
    u_long blocking = 0;
    if (ioctlsocket(tcp, FIONBIO, &blocking) != 0) return nullptr;
    return connection;
}

} // namespace jov
