#pragma once
// Windows Sockets 1.1 under the mail code: the session bracket, owned sockets, and the UDP and TCP
// transports the portable DNS and SMTP code runs over.
#include "crashreport/core/MxLookup.h"
#include "crashreport/core/SmtpReply.h"

#include <winsock2.h>

#include <cstdint>
#include <memory>
#include <string>

namespace jov {

constexpr DWORD DnsWaitMilliseconds = 5000;
constexpr DWORD SmtpWaitMilliseconds = 7000;

// WSAStartup asking for version 1.1, WSACleanup when it succeeded.
class WinsockSession {
public:
    WinsockSession();
    ~WinsockSession();
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool started() const { return started_; }

private:
    bool started_ = false;
};

class OwnedSocket {
public:
    explicit OwnedSocket(SOCKET socket = INVALID_SOCKET) : socket_(socket) {}
    ~OwnedSocket();
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;
    SOCKET get() const { return socket_; }
    bool valid() const { return socket_ != INVALID_SOCKET; }
    void reset();

private:
    SOCKET socket_;
};

// An IPv4 address in network order: the dotted text itself, else the first address of the host name,
// else INADDR_NONE.
uint32_t ResolveHostAddress(const std::string& text);

// True when the socket turns readable within the wait.
bool WaitReadable(SOCKET socket, DWORD milliseconds);

// One UDP socket on any local port; datagrams go to the given port of each server.
class UdpDnsTransport : public DnsTransport {
public:
    explicit UdpDnsTransport(uint16_t serverPort = 53);
    bool valid() const { return socket_.valid(); }
    bool Send(const std::string& server, std::string_view datagram) override;
    bool Receive(std::string& datagram) override;

private:
    OwnedSocket socket_;
    uint16_t serverPort_;
};

class TcpConnection : public StreamTransport {
public:
    explicit TcpConnection(SOCKET socket) : socket_(socket) {}
    // `send` may take only a part of the buffer: the rest goes in further calls.
    bool SendAll(std::string_view data) override;
    size_t Receive(char* buffer, size_t size) override;

private:
    OwnedSocket socket_;
};

// Connected, or none when the host does not resolve or does not accept.
std::unique_ptr<TcpConnection> ConnectTcp(const std::string& host, uint16_t port);

} // namespace jov
