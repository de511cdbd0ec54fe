#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The text tables of the two languages the FindWindow code is written in.
using TTokenTable = std::array<const char*, 13>;
using TOperatorTable = std::array<const char*, 6>;

extern const TTokenTable PascalTokens, CTokens;
extern const TOperatorTable PascalOperators, COperators;

namespace core {

// Which properties of a window the code looks it up by.
enum TCodeCheck : std::uint8_t { ccClassName = 1, ccWindowText = 2, ccControlID = 4 };

// One window shown by the code generator.
struct TWndCodeNode {
    std::uint32_t Window = 0;
    bool OnPath = false; // on the chain from the top-level window to the target
    std::uint8_t Checks = 0;
    std::string ClassName;
    std::string WindowText;
    std::int32_t ControlID = 0; // 0 for windows whose parent is the desktop
    // False when the window did not answer: WindowText then holds the placeholder shown instead.
    bool TextRead = true;
};

// Whether the record has a text the code can look the window up by.
inline bool HasWindowText(const TWndCodeNode& node) {
    return node.TextRead && !node.WindowText.empty();
}

// Whether the tables write Object Pascal (else C/C++): the string quote tells the languages apart.
bool IsPascalTables(const TTokenTable& tokens);

// The text as a string literal that compiles in the tables' language and gives back exactly the text.
std::string CodeStringLiteral(const TTokenTable& tokens, std::string_view text);

// The code that finds the last window of `path` again at run time: `path` holds the chain's records from
// the top-level window down. Empty for an empty chain.
std::string GenerateCode(std::span<const TWndCodeNode> path, const TTokenTable& tokens,
                         const TOperatorTable& operators);

} // namespace core
