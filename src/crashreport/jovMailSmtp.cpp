#include "crashreport/jovMailSmtp.h"

#include "crashreport/jovHandles.h"
#include "crashreport/jovWinsock.h"

#include <windows.h>

namespace jov {

namespace {

class WinSmtpEnvironment : public SmtpEnvironment {
public:
    explicit WinSmtpEnvironment(const MailNetwork& network) : network_(network) {}

    std::string LookupMailHost(const std::string& recipient) override {
        return LookupMailHosts(recipient, network_);
    }
    std::unique_ptr<StreamTransport> Connect(const std::string& host, uint16_t port) override {
        return ConnectTcp(host, port);
    }
    std::string ComputerName() override {
        char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD length = sizeof name;
        return GetComputerNameA(name, &length) ? std::string(name, length) : std::string();
    }
    std::string DateText() override { return SmtpDateText(); }
    bool FileExists(const std::string& path) override {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    bool ReadFile(const std::string& path, std::string& content) override {
        const OwnedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size;
        if (!file.valid() || !GetFileSizeEx(file.handle, &size) || size.HighPart != 0 ||
            size.LowPart > 0x7FFFFFFF)
            return false;
        content.resize(size.LowPart);
        DWORD done = 0;
        while (done < size.LowPart) {
            DWORD read = 0;
            if (!::ReadFile(file.handle, content.data() + done, size.LowPart - done, &read, nullptr) ||
                read == 0)
                return false; // a file that shrinks under us is a read error too
            done += read;
        }
        return true;
    }

private:
    const MailNetwork& network_;
};

} // namespace

std::string SmtpDateText() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return SmtpDateText(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

bool MailViaSmtp(const SmtpMail& mail, const SmtpServer& server, const MailNetwork& network) {
    const WinsockSession winsock;
    if (!winsock.started()) return false;
    WinSmtpEnvironment environment(network);
    SmtpServer target = server;
    if (target.host.empty()) target.port = network.directSmtpPort;
    return MailViaSmtp(mail, target, environment);
}

} // namespace jov
