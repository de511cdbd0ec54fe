#include "crashreport/core/Demangle.h"

#include "crashreport/core/TextHelpers.h"

namespace jov {

bool DemangleSymbol(std::string& name, std::string& unit) {
    ReplaceAll(name, "::", ".");
    if (name.size() < 3 || name[0] != '@') return false;
    const size_t second = name.find('@', 2);
    if (second == std::string::npos || name[1] == '@') return false;
    unit = name.substr(1, second - 1);
    name.erase(0, second + 1);
    bool destructor = false;
    for (size_t i = 1; i < name.size(); ++i) {
        if (name[i] == '@') {
            name[i] = '.';
        } else if (name[i] == '$') {
            destructor = i + 2 < name.size() && name[i + 2] == 'd';
            name.resize(i);
            break;
        }
    }
    if (!name.empty() && name.back() == '.') name += destructor ? "Destroy" : "Create";
    return true;
}

} // namespace jov
