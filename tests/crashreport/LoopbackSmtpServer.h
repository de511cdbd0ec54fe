#pragma once
// A scripted SMTP server on the loopback address, for the win32 mail tests and the crash programs.
// Needs a started Winsock session.
#include "core/FakeSmtpServer.h" // beside this header, for the crash programs too
#include "crashreport/jovWinsock.h"

#include <atomic>
#include <thread>

namespace jov::test {

inline sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

inline uint16_t BoundPort(SOCKET socket) {
    sockaddr_in address{};
    int length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// Serves `sessions` connections one after the other with the scripted server, each reply byte by byte
// when the script's chunk is 1.
class LoopbackSmtpServer {
public:
    // Port 0 takes any free port.
    explicit LoopbackSmtpServer(int sessions = 1, uint16_t fixedPort = 0)
        : listener_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)), sessions_(sessions) {
        const sockaddr_in local = Loopback(fixedPort);
        listening = bind(listener_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
                    listen(listener_.get(), 4) == 0;
        port = BoundPort(listener_.get());
        thread_ = std::thread([this] {
            for (; served_ < sessions_; ++served_) Serve();
        });
    }
    ~LoopbackSmtpServer() { Join(); }
    // After the client is done: sessions it never opened are opened and closed here, so that a client
    // that failed early cannot leave the server waiting.
    void Join() {
        if (!thread_.joinable()) return;
        for (int i = served_; i < sessions_; ++i) {
            jov::OwnedSocket client(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
            const sockaddr_in to = Loopback(port);
            connect(client.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
        thread_.join();
    }

    bool listening = false;
    uint16_t port = 0;
    FakeSmtpServer script;

private:
    void Serve() {
        jov::OwnedSocket connection(accept(listener_.get(), nullptr, nullptr));
        if (!connection.valid()) return;
        script.Open();
        char buffer[4096];
        for (;;) {
            size_t n;
            while ((n = script.Send(buffer, sizeof buffer)) > 0)
                if (send(connection.get(), buffer, int(n), 0) <= 0) return;
            const int received = recv(connection.get(), buffer, sizeof buffer, 0);
            if (received <= 0) return;
            script.Receive(std::string_view(buffer, size_t(received)));
        }
    }

    jov::OwnedSocket listener_;
    const int sessions_;
    std::atomic<int> served_{0};
    std::thread thread_;
};

} // namespace jov::test
