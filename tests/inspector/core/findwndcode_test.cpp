#include "core/CodeChecks.h"
#include "core/CodeCreator.h"
#include "core/CodeHighlighter.h"
#include "core/NumberFormat.h"
#include "core/WindowChain.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#ifndef _WIN32
#include <unistd.h>
#endif

using namespace core;

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

TWndCodeNode Node(std::string className, std::string text, std::uint8_t checks, std::int32_t id = 0) {
    TWndCodeNode node;
    node.OnPath = true;
    node.ClassName = std::move(className);
    node.WindowText = std::move(text);
    node.Checks = checks;
    node.ControlID = id;
    return node;
}

struct Golden {
    const char* name;
    std::vector<TWndCodeNode> path;
    std::string pascal, cpp;
};

std::vector<Golden> Goldens() {
    const auto both = ccClassName | ccWindowText;
    return {
        {"top-level window",
         {Node("Notepad", "Untitled - Notepad", both)},
         Lines({"var", "  wnd: HWND;", "begin", "  wnd :=  FindWindow('Notepad', 'Untitled - Notepad');", "",
                "  if wnd <> 0 then", "  begin", "", "  end;", "end;"}),
         Lines({"{", "\tHWND wnd;", "", "\twnd =  FindWindow(\"Notepad\", \"Untitled - Notepad\");", "",
                "\tif (wnd != 0)", "\t{", "", "\t};", "};"})},
        {"two levels down, class alone and text alone",
         {Node("TMainForm", "Main", both), Node("TPanel", "", ccClassName),
          Node("Edit", "abc", ccWindowText)},
         Lines({"var", "  wnd: HWND;", "begin", "  wnd :=  FindWindow('TMainForm', 'Main');",
                "  wnd :=  FindWindowEx(wnd, 0, 'TPanel', nil);",
                "  wnd :=  FindWindowEx(wnd, 0, nil, 'abc');", "", "  if wnd <> 0 then", "  begin", "",
                "  end;", "end;"}),
         Lines({"{", "\tHWND wnd;", "", "\twnd =  FindWindow(\"TMainForm\", \"Main\");",
                "\twnd =  FindWindowEx(wnd, 0, \"TPanel\", NULL);",
                "\twnd =  FindWindowEx(wnd, 0, NULL, \"abc\");", "", "\tif (wnd != 0)", "\t{", "", "\t};",
                "};"})},
        {"a level by control ID, its class and text flags kept",
         {Node("#32770", "Run", ccClassName), Node("Edit", "x", both | ccControlID, 12),
          Node("Button", "", ccClassName | ccControlID, -3)},
         Lines({"var", "  wnd: HWND;", "begin", "  wnd :=  FindWindow('#32770', nil);",
                "  wnd :=  GetDlgItem(wnd, 12);", "  wnd :=  GetDlgItem(wnd, -3);", "", "  if wnd <> 0 then",
                "  begin", "", "  end;", "end;"}),
         Lines({"{", "\tHWND wnd;", "", "\twnd =  FindWindow(\"#32770\", NULL);",
                "\twnd =  GetDlgItem(wnd, 12);", "\twnd =  GetDlgItem(wnd, -3);", "", "\tif (wnd != 0)",
                "\t{", "", "\t};", "};"})},
        {"the desktop",
         {Node("#32769", "", ccClassName)},
         Lines({"var", "  wnd: HWND;", "begin", "  wnd :=  FindWindow('#32769', nil);", "",
                "  if wnd <> 0 then", "  begin", "", "  end;", "end;"}),
         Lines({"{", "\tHWND wnd;", "", "\twnd =  FindWindow(\"#32769\", NULL);", "", "\tif (wnd != 0)",
                "\t{", "", "\t};", "};"})},
        {"quotes, backslashes, line breaks and tabs",
         {Node("My\"Class'", "It's \"C:\\dir\"\r\nline\ttab", both)},
         Lines({"var", "  wnd: HWND;", "begin",
                "  wnd :=  FindWindow('My\"Class''', 'It''s \"C:\\dir\"'#13#10'line'#9'tab');", "",
                "  if wnd <> 0 then", "  begin", "", "  end;", "end;"}),
         Lines({"{", "\tHWND wnd;", "",
                "\twnd =  FindWindow(\"My\\\"Class'\", \"It's \\\"C:\\\\dir\\\"\\r\\nline\\ttab\");", "",
                "\tif (wnd != 0)", "\t{", "", "\t};", "};"})},
    };
}

} // namespace

TEST(FindWndCode, GoldenCodeInBothLanguages) {
    for (const auto& g : Goldens()) {
        EXPECT_EQ(g.pascal, GenerateCode(g.path, PascalTokens, PascalOperators)) << g.name;
        EXPECT_EQ(g.cpp, GenerateCode(g.path, CTokens, COperators)) << g.name;
    }
    EXPECT_EQ("", GenerateCode({}, CTokens, COperators));
}

TEST(FindWndCode, StringLiterals) {
    struct Case {
        const char* text;
        const char* pascal;
        const char* c;
    } const cases[] = {
        {"", "''", "\"\""},
        {"'", "''''", "\"'\""},
        {"\r\n", "#13#10", "\"\\r\\n\""},
        {"\nx\r", "#10'x'#13", "\"\\nx\\r\""},
        {"a\0011", "'a'#1'1'", "\"a\\0011\""},
        {"what?\?!", "'what?\?!'", "\"what?\\?!\""},
        {"\\\\server\\share", "'\\\\server\\share'", "\"\\\\\\\\server\\\\share\""},
        {"\xE4\xF6", "'\xE4\xF6'", "\"\xE4\xF6\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.pascal, CodeStringLiteral(PascalTokens, c.text)) << c.text;
        EXPECT_EQ(c.c, CodeStringLiteral(CTokens, c.text)) << c.text;
    }
}

namespace {

// Reads back a Pascal string expression of quoted runs and #n characters, as the compiler does.
std::string DecodePascalLiteral(std::string_view literal) {
    std::string text;
    std::size_t i = 0;
    while (i < literal.size()) {
        if (literal[i] == '#') {
            std::size_t end = i + 1;
            while (end < literal.size() && std::isdigit(static_cast<unsigned char>(literal[end]))) ++end;
            text += char(std::stoi(std::string(literal.substr(i + 1, end - i - 1))));
            i = end;
            continue;
        }
        if (literal[i] != '\'') ADD_FAILURE() << "stray character in " << literal;
        for (++i; i < literal.size(); ++i) {
            if (literal[i] != '\'') {
                text += literal[i];
            } else if (i + 1 < literal.size() && literal[i + 1] == '\'') {
                text += '\'';
                ++i;
            } else {
                ++i;
                break;
            }
        }
    }
    return text;
}

const char* const awkwardTexts[] = {
    "plain",   "It's", "say \"hi\"", "C:\\temp\\", "a\r\nb",   "\r\n\r\n",  "\ttab",   "'\"'\\",
    "trail\\", "",     "?\?=?\?/",   "line\nfeed", "cr\ronly", "\001\0377", "x'#13'y", "end"};

} // namespace

TEST(FindWndCode, PascalLiteralsReadBackAsTheText) {
    for (const char* text : awkwardTexts) {
        std::string literal = CodeStringLiteral(PascalTokens, text);
        EXPECT_EQ(text, DecodePascalLiteral(literal)) << literal;
        // The highlighter sees one closed string, so the line around it stays valid.
        auto tokens = HighlightCode(literal, TCodeSyntax::Pascal);
        ASSERT_EQ(1u, tokens.size()) << literal;
        EXPECT_EQ((TCodeToken{0, literal.size(), TCodeTokenKind::String}), tokens[0]) << literal;
    }
}

#ifdef HOST_C_COMPILER
// Compiles the generated C/C++ code with stand-ins for the three calls, runs it, and compares the texts
// the calls received with the window's.
TEST(FindWndCode, GeneratedCCodeCompilesAndPassesTheTextsUnchanged) {
    std::vector<TWndCodeNode> path = {Node(awkwardTexts[0], awkwardTexts[1], ccClassName | ccWindowText)};
    std::string expected = std::string(awkwardTexts[0]) + '\x1e' + awkwardTexts[1] + '\x1e';
    for (std::size_t i = 2; i + 1 < std::size(awkwardTexts); i += 2) {
        path.push_back(Node(awkwardTexts[i], awkwardTexts[i + 1], ccClassName | ccWindowText));
        expected += std::string(awkwardTexts[i]) + '\x1e' + awkwardTexts[i + 1] + '\x1e';
    }
    path.push_back(Node("ignored", "ignored", ccClassName | ccControlID, 1001));
    path.push_back(Node("Static", "", ccClassName));
    expected += "1001\x1e"
                "Static\x1e(null)\x1e";

    const std::string prelude = R"C(#include <stdio.h>
#include <stddef.h>
typedef void* HWND;
static void show(const char* s) { fputs(s ? s : "(null)", stdout);
    fputc(0x1e, stdout);
}
HWND FindWindow(const char* c, const char* t) {
    show(c);
    show(t);
    return (HWND)1;
}
HWND FindWindowEx(HWND p, HWND a, const char* c, const char* t) {
    (void)p;
    (void)a;
    show(c);
    show(t);
    return (HWND)1;
}
HWND GetDlgItem(HWND p, int id) {
    (void)p;
    printf("%d", id);
    fputc(0x1e, stdout);
    return (HWND)1;
}
int main(void)
)C";
    const auto dir = std::filesystem::temp_directory_path() / ("findwndcode_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char* language : {"c", "c++"}) {
        const auto source = dir / "snippet.txt", program = dir / "snippet";
        std::ofstream(source, std::ios::binary) << prelude << GenerateCode(path, CTokens, COperators);
        const std::string compile = std::string(HOST_C_COMPILER) + " -x " + language +
                                    " -Werror=implicit-function-declaration " + source.string() + " -o " +
                                    program.string() + " 2>&1";
        ASSERT_EQ(0, std::system(compile.c_str())) << compile;
        FILE* pipe = popen(program.string().c_str(), "r");
        ASSERT_NE(nullptr, pipe);
        std::string output;
        char buffer[256];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        EXPECT_EQ(0, pclose(pipe));
        EXPECT_EQ(expected, output) << language;
    }
    std::filesystem::remove_all(dir);
}
#endif

namespace {

// A fake ancestry: parent and children per window, texts by window.
class FakeWindows : public TWindowSource {
public:
    static constexpr std::uint32_t desktop = 0x10010;
    std::map<std::uint32_t, std::uint32_t> parents;
    std::map<std::uint32_t, TWndCodeNode> records;

    void Add(std::uint32_t wnd, std::uint32_t parent, std::string className, std::string text = {},
             int id = 0) {
        parents[wnd] = parent;
        order.push_back(wnd);
        TWndCodeNode node;
        node.ClassName = std::move(className);
        node.WindowText = std::move(text);
        node.ControlID = id;
        records[wnd] = node;
    }
    void Remove(std::uint32_t wnd) {
        parents.erase(wnd);
        records.erase(wnd);
        std::erase(order, wnd);
    }

    std::uint32_t Desktop() const override { return desktop; }
    std::uint32_t Parent(std::uint32_t wnd) const override {
        auto it = parents.find(wnd);
        return it == parents.end() ? 0 : it->second;
    }
    std::vector<std::uint32_t> Children(std::uint32_t wnd) const override {
        std::vector<std::uint32_t> children;
        for (std::uint32_t w : order)
            if (Parent(w) == wnd) children.push_back(w);
        return children;
    }
    TWndCodeNode Read(std::uint32_t wnd) const override {
        auto it = records.find(wnd);
        return it == records.end() ? TWndCodeNode{} : it->second;
    }

private:
    std::vector<std::uint32_t> order;
};

} // namespace

TEST(FindWndCode, APlaceholderTextIsNoText) {
    FakeWindows w;
    w.Add(0x100, w.desktop, "Hung", "<SendMessage timed out>");
    w.records[0x100].TextRead = false;
    const TWndCodeNode node = FillCodeNode(w, 0x100);
    EXPECT_EQ("<SendMessage timed out>", node.WindowText);
    EXPECT_EQ(ccClassName, node.Checks);
    TWndCodeNode toggled = node;
    EXPECT_FALSE(ToggleCheck(toggled, TCodeCheckBox::WindowText));
    EXPECT_EQ((TCheckLook{false, true}), CheckLook(node, TCodeCheckBox::WindowText));
}

TEST(FindWndCode, ChainFromTheTopLevelWindowDown) {
    FakeWindows w;
    w.records[w.desktop] = Node("#32769 (Desktop)", "", 0, 77);
    w.Add(0x100, w.desktop, "TopClass", "Top", 5);
    w.Add(0x101, w.desktop, "OtherTop", "Other");
    w.Add(0x200, 0x100, "Sibling", "before", 1);
    w.Add(0x201, 0x100, "Dialog", "", 2);
    w.Add(0x202, 0x100, "Sibling", "after", 3);
    w.Add(0x300, 0x201, "Edit", "text", 1000);
    w.Add(0x400, 0x300, "Grandchild", "not listed");

    EXPECT_EQ((std::vector<std::uint32_t>{0x100, 0x201, 0x300}), WindowChain(w, 0x300));
    EXPECT_EQ((std::vector<std::uint32_t>{0x100}), WindowChain(w, 0x100));
    EXPECT_EQ((std::vector<std::uint32_t>{w.desktop}), WindowChain(w, w.desktop));

    auto rows = BuildCodeTree(w, WindowChain(w, 0x300));
    struct Expected {
        std::uint32_t wnd;
        int level;
        bool onPath;
        std::uint8_t checks;
        std::int32_t id;
    } const expected[] = {
        {0x100, 0, true, 3, 0}, // a top-level window's control ID is never read
        {0x200, 1, false, 3, 1}, {0x202, 1, false, 3, 3}, {0x201, 1, true, 1, 2}, {0x300, 2, true, 3, 1000},
    };
    ASSERT_EQ(std::size(expected), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(expected[i].wnd, rows[i].Node.Window) << i;
        EXPECT_EQ(expected[i].level, rows[i].Level) << i;
        EXPECT_EQ(expected[i].onPath, rows[i].Node.OnPath) << i;
        EXPECT_EQ(expected[i].checks, rows[i].Node.Checks) << i;
        EXPECT_EQ(expected[i].id, rows[i].Node.ControlID) << i;
    }
    auto path = PathNodes(rows);
    ASSERT_EQ(3u, path.size());
    EXPECT_EQ("Dialog", path[1].ClassName);

    auto desktopRows = BuildCodeTree(w, WindowChain(w, w.desktop));
    ASSERT_EQ(1u, desktopRows.size());
    EXPECT_EQ("#32769", desktopRows[0].Node.ClassName);
    EXPECT_TRUE(desktopRows[0].Node.OnPath);
}

TEST(FindWndCode, ChainLimitAndVanishedWindows) {
    FakeWindows w;
    for (std::uint32_t wnd = 1; wnd <= 250; ++wnd) w.Add(wnd, wnd == 1 ? w.desktop : wnd - 1, "Level");
    EXPECT_EQ(249u, WindowChain(w, 249).size()) << "249 levels below the desktop";
    EXPECT_TRUE(WindowChain(w, 250).empty()) << "250 levels below the desktop";

    // Parents that loop never reach the desktop.
    w.parents[1] = 2;
    EXPECT_TRUE(WindowChain(w, 3).empty());

    FakeWindows v;
    v.Add(0x10, v.desktop, "Top");
    v.Add(0x20, 0x10, "Child");
    v.Add(0x30, 0x20, "Grandchild");
    EXPECT_TRUE(WindowChain(v, 0x999).empty()) << "no window";
    // The middle window closes: its child has no parent any more.
    v.parents.erase(0x20);
    EXPECT_TRUE(WindowChain(v, 0x30).empty());
    // A window that disappears between the chain and the rows gives an empty record, never a failure.
    v.parents[0x20] = 0x10;
    auto chain = WindowChain(v, 0x30);
    v.Remove(0x20);
    auto rows = BuildCodeTree(v, chain);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("", rows[1].Node.ClassName);

    BindNumberFormats(nullptr, nullptr);
    EXPECT_EQ("Unable to create FindWindow-Code for window $00000ABC", ChainErrorText(0xABC));
}

TEST(FindWndCode, CheckBoxLocks) {
    using B = TCodeCheckBox;
    TWndCodeNode n = Node("Edit", "text", ccClassName | ccWindowText, 7);
    auto looks = [&] {
        std::string s;
        for (B b : {B::ClassName, B::WindowText, B::ControlID}) {
            TCheckLook l = CheckLook(n, b);
            s += l.Locked ? (l.Checked ? 'X' : '_') : (l.Checked ? 'x' : '.');
        }
        return s; // x checked, . unchecked; capitals and _ when locked
    };
    struct Step {
        B box;
        bool changes;
        const char* after;
    } const steps[] = {
        {B::ClassName, true, ".x."},   // text remains
        {B::WindowText, false, ".x."}, // the last of the two stays
        {B::ClassName, true, "xx."},   {B::WindowText, true, "x.."},
        {B::ClassName, false, "x.."},  {B::ControlID, true, "X_x"}, // the ID locks both, their flags kept
        {B::ClassName, false, "X_x"},  {B::WindowText, false, "X_x"},
        {B::ControlID, true, "x.."}, // the earlier choice comes back
        {B::WindowText, true, "xx."},  {B::ControlID, true, "XXx"},
        {B::ControlID, true, "xx."},
    };
    EXPECT_EQ("xx.", looks());
    for (const auto& s : steps) {
        EXPECT_EQ(s.changes, ToggleCheck(n, s.box)) << s.after;
        EXPECT_EQ(s.after, looks());
    }

    TWndCodeNode empty = Node("Static", "", ccClassName, 0);
    n = empty;
    EXPECT_EQ("x__", looks()) << "no text to check, no ID to use";
    EXPECT_FALSE(ToggleCheck(n, B::WindowText));
    EXPECT_FALSE(ToggleCheck(n, B::ControlID));
    EXPECT_FALSE(ToggleCheck(n, B::ClassName));

    n = Node("Button", "", ccClassName, 4);
    EXPECT_TRUE(ToggleCheck(n, B::ControlID));
    EXPECT_EQ("X_x", looks());
    EXPECT_TRUE(ToggleCheck(n, B::ControlID));
    EXPECT_EQ("x_.", looks()) << "an empty text stays locked after the ID is given up";
}

TEST(CodeHighlighter, PascalTokens) {
    const std::string text =
        "var x: Integer; { note }\r\nBEGIN x := $1F + 12.5; s := 'it''s'#13#10'z'; (* c *) "
        "// rest\r\nend.";
    auto at = [&](const char* word) { return text.find(word); };
    using K = TCodeTokenKind;
    std::vector<TCodeToken> expected = {
        {at("var"), 3, K::Keyword}, {at("{"), 8, K::Comment},       {at("BEGIN"), 5, K::Keyword},
        {at("$1F"), 3, K::Number},  {at("12.5"), 4, K::Number},     {at("'it"), 16, K::String},
        {at("(*"), 7, K::Comment},  {at("// rest"), 7, K::Comment}, {at("end."), 3, K::Keyword},
    };
    EXPECT_EQ(expected, HighlightCode(text, TCodeSyntax::Pascal));
    // An open string ends at its line, an open comment at the end of the text.
    EXPECT_EQ((std::vector<TCodeToken>{{0, 4, K::String}, {6, 3, K::Keyword}}),
              HighlightCode("'abc\r\nend", TCodeSyntax::Pascal));
    EXPECT_EQ((std::vector<TCodeToken>{{0, 6, K::Comment}}), HighlightCode("{ open", TCodeSyntax::Pascal));
}

TEST(CodeHighlighter, CppTokens) {
    const std::string text =
        "{\r\n\tHWND wnd; /* c */ if (wnd != 0x1Fu) return \"a\\\"b\" 'q';\r\n\t// end\r\n"
        "int Return = 1.5e3; }";
    auto at = [&](const char* word) { return text.find(word); };
    using K = TCodeTokenKind;
    std::vector<TCodeToken> expected = {
        {at("/*"), 7, K::Comment},     {at("if"), 2, K::Keyword},  {at("0x1Fu"), 5, K::Number},
        {at("return"), 6, K::Keyword}, {at("\"a"), 6, K::String},  {at("'q'"), 3, K::String},
        {at("// end"), 6, K::Comment}, {at("int"), 3, K::Keyword}, {at("1.5e3"), 5, K::Number},
    };
    EXPECT_EQ(expected, HighlightCode(text, TCodeSyntax::Cpp));
    // Generated code: NULL and HWND are plain names; the strings are whole.
    std::string code = GenerateCode(std::vector{Node("A\"B", "", ccClassName)}, CTokens, COperators);
    auto tokens = HighlightCode(code, TCodeSyntax::Cpp);
    ASSERT_EQ(3u, tokens.size());
    EXPECT_EQ("\"A\\\"B\"", code.substr(tokens[0].Start, tokens[0].Length));
    EXPECT_EQ("if", code.substr(tokens[1].Start, tokens[1].Length));
    EXPECT_EQ("0", code.substr(tokens[2].Start, tokens[2].Length));
}

TEST(CodeHighlighter, RichEditCountsLineBreaksAsOneCharacter) {
    const std::string text = "ab\r\ncd\r\n\r\ne\rf\ng";
    struct Case {
        std::size_t offset, position;
    } const cases[] = {{0, 0}, {2, 2}, {3, 3}, {4, 3}, {6, 5}, {8, 6}, {10, 7}, {12, 9}, {15, 12}, {99, 12}};
    for (const auto& c : cases) EXPECT_EQ(c.position, RichEditPosition(text, c.offset)) << c.offset;
}
