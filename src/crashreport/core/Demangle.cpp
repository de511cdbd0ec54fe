#include "crashreport/core/Demangle.h"

#include "crashreport/core/TextHelpers.h"

#include <cctype>

namespace jov {
namespace {

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// " [clone .constprop.0]" and the like, as many as there are.
void CutCloneSuffixes(std::string& name) {
    for (size_t clone; EndsWith(name, "]") && (clone = name.rfind(" [clone ")) != std::string::npos;)
        name.resize(clone);
}

// The "@12" of a stdcall name.
void CutCallingConventionSuffix(std::string& name) {
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    if (digits < name.size() && digits > 1 && name[digits - 1] == '@') name.resize(digits - 1);
}

void EraseAbiTags(std::string& name) {
    for (size_t tag; (tag = name.find("[abi:")) != std::string::npos;) {
        const size_t end = name.find(']', tag);
        if (end == std::string::npos) return;
        name.erase(tag, end - tag + 1);
    }
}

void CutTrailingQualifiers(std::string& name) {
    for (bool cut = true; cut;) {
        cut = false;
        for (std::string_view qualifier : {" const", " volatile", " &&", " &"})
            if (EndsWith(name, qualifier) && name.size() > qualifier.size() &&
                name[name.size() - qualifier.size() - 1] == ')') {
                name.resize(name.size() - qualifier.size());
                cut = true;
            }
    }
}

// The "(" that opens the parameter list closed at `close`; npos when there is none.
size_t OpeningParenthesis(const std::string& name, size_t close) {
    int depth = 0;
    for (size_t i = close + 1; i-- > 0;) {
        if (name[i] == ')') ++depth;
        if (name[i] == '(' && --depth == 0) return i;
    }
    return std::string::npos;
}

void CutParameterList(std::string& name) {
    if (!EndsWith(name, ")")) return;
    const size_t open = OpeningParenthesis(name, name.size() - 1);
    if (open != std::string::npos && open > 0) name.resize(open);
}

// The parameters of an enclosing function: "f(int)::{lambda()#1}" reads "f::{lambda()#1}".
void EraseScopeParameterLists(std::string& name) {
    for (size_t scope = name.find(")::"); scope != std::string::npos; scope = name.find(")::", scope)) {
        const size_t open = OpeningParenthesis(name, scope);
        if (open == std::string::npos || open == 0) {
            scope += 3;
            continue;
        }
        name.erase(open, scope + 1 - open);
        scope = open;
    }
}

// Template functions carry their return type in front: "void std::sort<int*>" reads "std::sort<int*>".
void CutReturnType(std::string& name) {
    size_t limit = name.size();
    for (size_t at = name.find("operator"); at != std::string::npos; at = name.find("operator", at + 1))
        if ((at == 0 || !IsNameChar(name[at - 1])) && (at + 8 == name.size() || !IsNameChar(name[at + 8]))) {
            limit = at;
            break;
        }
    int depth = 0;
    size_t space = std::string::npos;
    for (size_t i = 0; i < limit; ++i) {
        const char c = name[i];
        if (c == '<' || c == '(' || c == '[' || c == '{') ++depth;
        if ((c == '>' || c == ')' || c == ']' || c == '}') && depth > 0) --depth;
        if (c == ' ' && depth == 0) space = i;
    }
    if (space != std::string::npos) name.erase(0, space + 1);
}

} // namespace

std::string ReadableFunctionName(std::string name) {
    CutCloneSuffixes(name);
    CutCallingConventionSuffix(name);
    EraseAbiTags(name);
    for (size_t unnamed; (unnamed = name.find("(anonymous namespace)::")) != std::string::npos;)
        name.erase(unnamed, 23);
    CutTrailingQualifiers(name);
    CutParameterList(name);
    EraseScopeParameterLists(name);
    CutReturnType(name);
    return name;
}

bool DemangleSymbol(std::string& name, std::string& unit) {
    if (name.empty() || name[0] != '@') name = ReadableFunctionName(std::move(name));
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
