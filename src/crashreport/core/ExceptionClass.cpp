#include "crashreport/core/ExceptionClass.h"

#include <cxxabi.h>
#include <cstdlib>

namespace jov {
namespace {

bool NameMatches(const std::string& name, std::string_view className) {
    return name == className || UnqualifiedClassName(name) == className;
}

// Class hierarchies are finite and acyclic; the depth only bounds a corrupted description.
bool InheritsFrom(const std::type_info* type, std::string_view className, int depth) {
    if (!type || depth > 64) return false;
    if (NameMatches(TypeClassName(type), className)) return true;
    if (auto* single = dynamic_cast<const abi::__si_class_type_info*>(type))
        return InheritsFrom(single->__base_type, className, depth + 1);
    if (auto* multiple = dynamic_cast<const abi::__vmi_class_type_info*>(type)) {
        for (unsigned i = 0; i < multiple->__base_count; ++i)
            if (InheritsFrom(multiple->__base_info[i].__base_type, className, depth + 1)) return true;
    }
    return false;
}

} // namespace

std::string UnqualifiedClassName(const std::string& name) {
    // After the last "::" outside template arguments and parameter lists.
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '<' || name[i] == '(') ++depth;
        if (name[i] == '>' || name[i] == ')') --depth;
        if (depth == 0 && name[i] == ':' && i + 1 < name.size() && name[i + 1] == ':') start = i + 2;
    }
    return name.substr(start);
}

std::string TypeClassName(const std::type_info* type) {
    if (!type) return "Unknown";
    const char* mangled = type->name();
    int status = 0;
    char* readable = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && readable ? readable : mangled;
    std::free(readable);
    return name;
}

std::string PlainClassName(const std::type_info* type) {
    return UnqualifiedClassName(TypeClassName(type));
}

bool InheritsFromName(const std::type_info* type, std::string_view className) {
    return InheritsFrom(type, className, 0);
}

const void* UpcastObject(const std::type_info& base, const std::type_info* type, const void* object) {
    if (!type || !object) return nullptr;
    void* adjusted = const_cast<void*>(object);
    return base.__do_catch(type, &adjusted, 1) ? adjusted : nullptr;
}

} // namespace jov
