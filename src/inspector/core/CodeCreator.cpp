#include "core/CodeCreator.h"
#include <initializer_list>

using namespace std::string_literals;

// Tokens: 0 opens a block, 1 closes it, 5 ends a statement, 6 is the null value, 7 one indentation step,
// 8 and 9 surround a condition, 10 and 11 open and close a string, 12 assigns.
const TTokenTable PascalTokens = {"begin", "end", "and",   "or", "not", ";\r\n", "nil",
                                  "  ",    "if ", " then", "'",  "'",   ":="};
const TTokenTable CTokens = {"{", "}", "&&", "||", "!", ";\r\n", "NULL", "\t", "if (", ")", "\"", "\"", "="};
const TOperatorTable PascalOperators = {"=", ">", "<", ">=", "<=", "<>"};
const TOperatorTable COperators = {"==", ">", "<", ">=", "<=", "!="};

namespace core {

namespace {

const char* const variableName = "wnd";
const char* const variableType = "HWND";

// Control characters cannot stand inside a Pascal literal: they go between the quoted runs as #n.
std::string PascalLiteral(std::string_view text) {
    std::string out;
    bool quoted = false;
    for (char c : text) {
        auto code = static_cast<unsigned char>(c);
        if (code < 32) {
            if (quoted) out += '\'';
            quoted = false;
            out += '#' + std::to_string(code);
            continue;
        }
        if (!quoted) out += '\'';
        quoted = true;
        out += c == '\'' ? "''" : std::string(1, c);
    }
    if (quoted) out += '\'';
    return out.empty() ? "''" : out;
}

std::string CLiteral(std::string_view text) {
    static const char octal[] = "01234567";
    std::string out = "\"";
    char previous = 0;
    for (char c : text) {
        auto code = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        // "??" followed by certain characters is a trigraph in older C.
        case '?':
            out += previous == '?' ? "\\?" : "?";
            break;
        default:
            if (code < 32) {
                // Three octal digits, so a digit that follows is not taken into the escape.
                out += {'\\', octal[code >> 6], octal[(code >> 3) & 7], octal[code & 7]};
            } else {
                out += c;
            }
        }
        previous = c;
    }
    return out + '"';
}

std::string Call(const std::string& name, std::initializer_list<std::string> arguments) {
    std::string out = name + "(";
    const char* separator = "";
    for (const auto& argument : arguments) {
        out += separator + argument;
        separator = ", ";
    }
    return out + ")";
}

} // namespace

bool IsPascalTables(const TTokenTable& tokens) {
    return std::string_view(tokens[10]) == "'";
}

std::string CodeStringLiteral(const TTokenTable& tokens, std::string_view text) {
    return IsPascalTables(tokens) ? PascalLiteral(text) : CLiteral(text);
}

std::string GenerateCode(std::span<const TWndCodeNode> path, const TTokenTable& t,
                         const TOperatorTable& operators) {
    if (path.empty()) return {};
    const std::string var = variableName, type = variableType, indent = t[7], endStatement = t[5];
    auto argument = [&](const TWndCodeNode& node, std::uint8_t flag, const std::string& text) {
        return node.Checks & flag ? CodeStringLiteral(t, text) : std::string(t[6]);
    };
    auto assignment = [&](const std::string& value) {
        return indent + var + " " + t[12] + "  " + value + endStatement;
    };

    std::string text = IsPascalTables(t)
                           ? "var\r\n" + indent + var + ": " + type + endStatement + t[0] + "\r\n"
                           : t[0] + "\r\n"s + indent + type + " " + var + endStatement + "\r\n";

    const TWndCodeNode& top = path.front();
    text += assignment(Call("FindWindow", {argument(top, ccClassName, top.ClassName),
                                           argument(top, ccWindowText, top.WindowText)}));
    for (const TWndCodeNode& node : path.subspan(1)) {
        if (node.Checks & ccControlID) {
            text += assignment(Call("GetDlgItem", {var, std::to_string(node.ControlID)}));
        } else {
            text += assignment(Call("FindWindowEx", {var, "0", argument(node, ccClassName, node.ClassName),
                                                     argument(node, ccWindowText, node.WindowText)}));
        }
    }
    text += "\r\n" + indent + t[8] + var + " " + operators[5] + " 0" + t[9] + "\r\n";
    text += indent + t[0] + "\r\n" + "\r\n" + indent + t[1] + endStatement + t[1] + endStatement;
    return text;
}

} // namespace core
