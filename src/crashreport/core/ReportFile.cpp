#include "crashreport/core/ReportFile.h"

namespace jov {

std::string BugReportFileName(std::string_view configured, std::string_view modulePath) {
    std::string_view name = modulePath.substr(modulePath.find_last_of("\\/") + 1);
    if (auto dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
    std::string result;
    constexpr std::string_view placeholder = "%appname%";
    for (size_t at = 0;;) {
        size_t hit = configured.find(placeholder, at);
        result.append(configured.substr(at, hit - at));
        if (hit == std::string_view::npos) break;
        result.append(name);
        at = hit + placeholder.size();
    }
    return result;
}

bool IsRelativeReportName(std::string_view name) {
    return name.size() < 3 || (name[0] != '\\' && name[1] != ':');
}

std::string FolderOf(std::string_view path) {
    size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

long long ReportTrimOffset(std::span<const char> file, long long cap) {
    const long long size = static_cast<long long>(file.size());
    if (cap <= 0 || size <= cap) return -1;
    const long long keep = cap - cap / 4;
    constexpr std::string_view header = "date/time";
    const std::string_view text(file.data(), file.size());
    // Every header line also carries "exec. date/time" and "module date/time": only a line that starts
    // with it starts a report, so only there may the file be cut.
    for (size_t hit = text.find(header); hit != std::string_view::npos; hit = text.find(header, hit + 1)) {
        const bool lineStart = hit == 0 || (hit >= 2 && text[hit - 2] == '\r' && text[hit - 1] == '\n');
        if (lineStart && size - static_cast<long long>(hit) < keep) return static_cast<long long>(hit);
    }
    return -1;
}

PrintLayout ComputePrintLayout(const PrinterCaps& caps) {
    auto round = [](long long x, long long y) { return y > 0 ? int((x + y / 2) / y) : 0; };
    PrintLayout layout;
    layout.Top = round(caps.VertRes * 10LL, caps.VertSize) - caps.OffsetY;
    layout.Bottom = caps.VertRes - 2 * layout.Top;
    layout.Left = round(caps.HorzRes * 20LL, caps.HorzSize) - caps.OffsetX;
    layout.Width = caps.HorzRes + caps.OffsetX - layout.Left - round(caps.HorzRes * 10LL, caps.HorzSize);
    return layout;
}

} // namespace jov
