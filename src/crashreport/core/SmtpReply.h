#pragma once
// The byte stream under an SMTP session and the reading of the server's replies line by line.
#include <cstddef>
#include <string>
#include <string_view>

namespace jov {

class StreamTransport {
public:
    virtual ~StreamTransport() = default;
    // Sends all of the data; false as soon as a part of it cannot be sent.
    virtual bool SendAll(std::string_view data) = 0;
    // What arrives within the transport's wait, at most `size` bytes; 0 on time-out, close or error.
    virtual size_t Receive(char* buffer, size_t size) = 0;
};

// Replies are read by whole lines, however the network cuts them, so bytes of one reply that arrive
// late are never taken for the next reply.
class SmtpReplyReader {
public:
    explicit SmtpReplyReader(StreamTransport& transport) : transport_(transport) {}

    // Reads one whole reply (every line of a multi-line one); true when each line carries the code.
    // With `authLogin`, a line "AUTH ... LOGIN ..." (or "AUTH=LOGIN") sets it.
    bool ReadReply(std::string_view code, bool* authLogin = nullptr);

    // A hostile server may not make a reply grow without end.
    static constexpr size_t MaxReplySize = 16384;

private:
    bool NextLine(std::string& line, size_t& replySize);

    StreamTransport& transport_;
    std::string pending_;
};

} // namespace jov
