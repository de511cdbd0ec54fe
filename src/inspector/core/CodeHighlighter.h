#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

// The code editor's highlighting of the two languages the generator writes.
namespace core {

enum class TCodeSyntax { Pascal, Cpp };
enum class TCodeTokenKind { Keyword, String, Number, Comment };

struct TCodeToken {
    std::size_t Start = 0, Length = 0; // byte offsets into the text
    TCodeTokenKind Kind = TCodeTokenKind::Keyword;
    bool operator==(const TCodeToken&) const = default;
};

// The highlighted runs of the text in order; everything between them is plain. A string or comment
// that is not closed runs to the end of its line (strings) or of the text (block comments).
std::vector<TCodeToken> HighlightCode(std::string_view text, TCodeSyntax syntax);

// The character position a rich edit control gives the byte offset: it counts CR LF as one character.
std::size_t RichEditPosition(std::string_view text, std::size_t offset);

} // namespace core
