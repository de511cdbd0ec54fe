#include "crashreport/core/PathText.h"

namespace jov {

std::string ExtractFileNamePart(std::string_view path) {
    const size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFolderPart(std::string_view path) {
    const size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(0, slash + 1));
}

} // namespace jov
