#include "core/CodeHighlighter.h"
#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>

namespace core {

namespace {

// Sorted, for binary search. Pascal compares them in upper case, C/C++ as written.
constexpr std::array pascalKeywords = {"AND",
                                       "ARRAY",
                                       "AS",
                                       "ASM",
                                       "BEGIN",
                                       "CASE",
                                       "CLASS",
                                       "CONST",
                                       "CONSTRUCTOR",
                                       "DESTRUCTOR",
                                       "DIV",
                                       "DO",
                                       "DOWNTO",
                                       "ELSE",
                                       "END",
                                       "EXCEPT",
                                       "EXPORTS",
                                       "FILE",
                                       "FINALLY",
                                       "FOR",
                                       "FUNCTION",
                                       "GOTO",
                                       "IF",
                                       "IMPLEMENTATION",
                                       "IN",
                                       "INHERITED",
                                       "INITIALIZATION",
                                       "INLINE",
                                       "INTERFACE",
                                       "IS",
                                       "LABEL",
                                       "LIBRARY",
                                       "MOD",
                                       "NIL",
                                       "NOT",
                                       "OBJECT",
                                       "OF",
                                       "OR",
                                       "OUT",
                                       "PACKED",
                                       "PROCEDURE",
                                       "PROGRAM",
                                       "PROPERTY",
                                       "RAISE",
                                       "RECORD",
                                       "REPEAT",
                                       "RESOURCESTRING",
                                       "SET",
                                       "SHL",
                                       "SHR",
                                       "STRING",
                                       "THEN",
                                       "THREADVAR",
                                       "TO",
                                       "TRY",
                                       "TYPE",
                                       "UNIT",
                                       "UNTIL",
                                       "USES",
                                       "VAR",
                                       "WHILE",
                                       "WITH",
                                       "XOR"};
constexpr std::array cppKeywords = {
    "auto",      "bool",    "break",    "case",     "catch",   "char",      "class",    "const",
    "continue",  "default", "delete",   "do",       "double",  "else",      "enum",     "extern",
    "false",     "float",   "for",      "goto",     "if",      "inline",    "int",      "long",
    "namespace", "new",     "nullptr",  "operator", "private", "protected", "public",   "register",
    "return",    "short",   "signed",   "sizeof",   "static",  "struct",    "switch",   "template",
    "this",      "throw",   "true",     "try",      "typedef", "union",     "unsigned", "using",
    "virtual",   "void",    "volatile", "while"};

constexpr auto asView = [](const char* s) { return std::string_view(s); };
static_assert(std::ranges::is_sorted(pascalKeywords, {}, asView) &&
              std::ranges::is_sorted(cppKeywords, {}, asView));

bool IsKeyword(std::string_view word, TCodeSyntax syntax) {
    auto less = [](const char* a, const std::string& b) { return std::string_view(a) < b; };
    std::string key(word);
    if (syntax == TCodeSyntax::Pascal) {
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return char(std::toupper(c)); });
        auto it = std::lower_bound(pascalKeywords.begin(), pascalKeywords.end(), key, less);
        return it != pascalKeywords.end() && *it == key;
    }
    auto it = std::lower_bound(cppKeywords.begin(), cppKeywords.end(), key, less);
    return it != cppKeywords.end() && *it == key;
}

bool IsWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

class Scanner {
public:
    Scanner(std::string_view text, TCodeSyntax syntax) : text_(text), syntax_(syntax) {}

    std::vector<TCodeToken> Run() {
        while (pos_ < text_.size()) {
            const std::size_t start = pos_;
            if (auto kind = syntax_ == TCodeSyntax::Pascal ? ScanPascal() : ScanCpp()) {
                tokens_.push_back({start, pos_ - start, *kind});
            } else if (IsWordStart(text_[pos_])) {
                while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
                if (IsKeyword(text_.substr(start, pos_ - start), syntax_))
                    tokens_.push_back({start, pos_ - start, TCodeTokenKind::Keyword});
            } else {
                ++pos_;
            }
        }
        return std::move(tokens_);
    }

private:
    bool At(std::string_view s) const { return text_.substr(pos_).starts_with(s); }
    char Peek(std::size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    void SkipPast(std::string_view end) {
        std::size_t found = text_.find(end, pos_);
        pos_ = found == std::string_view::npos ? text_.size() : found + end.size();
    }
    void SkipLine() {
        while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
    }
    void SkipWhile(bool (*pred)(char)) {
        while (pos_ < text_.size() && pred(text_[pos_])) ++pos_;
    }

    using Kind = std::optional<TCodeTokenKind>;

    TCodeTokenKind LineComment() {
        SkipLine();
        return TCodeTokenKind::Comment;
    }
    TCodeTokenKind BlockComment(std::string_view open, std::string_view close) {
        pos_ += open.size();
        SkipPast(close);
        return TCodeTokenKind::Comment;
    }

    Kind ScanPascal() {
        if (At("//")) return LineComment();
        if (At("{")) return BlockComment("{", "}");
        if (At("(*")) return BlockComment("(*", "*)");
        if (Peek() == '\'' || (Peek() == '#' && (IsDigit(Peek(1)) || Peek(1) == '$'))) {
            // Quoted runs and #n characters written next to each other make one string.
            while (Peek() == '\'' || Peek() == '#') {
                if (Peek() == '#') {
                    ++pos_;
                    if (Peek() == '$') {
                        ++pos_;
                        SkipWhile(IsHexDigit);
                    } else {
                        SkipWhile(IsDigit);
                    }
                    continue;
                }
                ++pos_;
                while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') {
                    if (text_[pos_++] != '\'') continue;
                    if (Peek() != '\'') break;
                    ++pos_; // a doubled quote stands for one
                }
            }
            return TCodeTokenKind::String;
        }
        if (Peek() == '$' && IsHexDigit(Peek(1))) {
            ++pos_;
            SkipWhile(IsHexDigit);
            return TCodeTokenKind::Number;
        }
        if (IsDigit(Peek())) {
            SkipWhile(IsDigit);
            if (Peek() == '.' && IsDigit(Peek(1))) {
                ++pos_;
                SkipWhile(IsDigit);
            }
            return TCodeTokenKind::Number;
        }
        return std::nullopt;
    }

    Kind ScanCpp() {
        if (At("//")) return LineComment();
        if (At("/*")) return BlockComment("/*", "*/");
        if (Peek() == '"' || Peek() == '\'') {
            const char quote = text_[pos_++];
            while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') {
                const char c = text_[pos_++];
                if (c == '\\' && pos_ < text_.size())
                    ++pos_;
                else if (c == quote)
                    break;
            }
            return TCodeTokenKind::String;
        }
        if (IsDigit(Peek()) || (Peek() == '.' && IsDigit(Peek(1)))) {
            // Hex digits, suffixes, exponents and fractions all belong to the number.
            while (IsWordChar(Peek()) || Peek() == '.') ++pos_;
            return TCodeTokenKind::Number;
        }
        return std::nullopt;
    }

    std::string_view text_;
    TCodeSyntax syntax_;
    std::size_t pos_ = 0;
    std::vector<TCodeToken> tokens_;
};

} // namespace

std::vector<TCodeToken> HighlightCode(std::string_view text, TCodeSyntax syntax) {
    return Scanner(text, syntax).Run();
}

std::size_t RichEditPosition(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t pairs = 0;
    for (std::size_t i = 0; i + 1 < offset; ++i)
        if (text[i] == '\r' && text[i + 1] == '\n') ++pairs;
    return offset - pairs;
}

} // namespace core
