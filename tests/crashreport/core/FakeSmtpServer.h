#pragma once
#include <algorithm>
#include <set>
#include <string>
#include <string_view>

namespace jov::test {

// A scripted SMTP server: it answers each complete line the client sends and hands its replies out in
// pieces of `chunk` bytes, as a network may cut them. Behind an in-memory connection or a socket.
class FakeSmtpServer {
public:
    std::string ehloReply =
        "250-fake.test greets you\r\n250-SIZE 1000000\r\n250-AUTH=LOGIN PLAIN\r\n250 HELP\r\n";
    std::set<std::string> refused;
    size_t chunk = 1024;
    std::string transcript; // every byte the client sent
    std::string message;    // the data, as the server takes it in (still dot-stuffed)
    bool dataEnded = false;

    void Open() { queue("220 fake.test ready\r\n"); }

    void Receive(std::string_view data) {
        transcript += data;
        partial_ += data;
        size_t end;
        while ((end = partial_.find("\r\n")) != std::string::npos) {
            const std::string line = partial_.substr(0, end);
            partial_.erase(0, end + 2);
            Line(line);
        }
    }

    size_t Send(char* buffer, size_t size) {
        const size_t n = std::min({size, chunk, out_.size()});
        std::copy_n(out_.begin(), n, buffer);
        out_.erase(0, n);
        return n;
    }

private:
    void queue(std::string_view reply) { out_ += reply; }

    void Line(const std::string& line) {
        if (inData_) {
            if (line == ".") {
                inData_ = false;
                dataEnded = true;
                queue("250 queued\r\n");
            } else {
                message += line + "\r\n";
            }
            return;
        }
        if (authStep_ > 0) {
            queue(authStep_++ == 1 ? "334 UGFzc3dvcmQ6\r\n" : "235 accepted\r\n");
            if (authStep_ > 2) authStep_ = 0;
            return;
        }
        const auto starts = [&](std::string_view prefix) { return line.rfind(prefix, 0) == 0; };
        if (starts("EHLO "))
            queue(ehloReply);
        else if (starts("HELO "))
            queue("250 fake.test\r\n");
        else if (line == "AUTH LOGIN")
            authStep_ = 1, queue("334 VXNlcm5hbWU6\r\n");
        else if (starts("MAIL FROM:"))
            queue("250 sender ok\r\n");
        else if (starts("RCPT TO:"))
            queue(refused.count(line.substr(8)) ? "550 no such user\r\n" : "250 ok\r\n");
        else if (line == "DATA")
            inData_ = true, queue("354 end with .\r\n");
        else if (line == "RSET")
            queue("250 reset\r\n");
        else if (line == "QUIT")
            queue("221 bye\r\n");
        else
            queue("500 what?\r\n");
    }

    std::string partial_;
    std::string out_;
    bool inData_ = false;
    int authStep_ = 0;
};

} // namespace jov::test
