#include "controls/CodeEditor.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Handles.h"
#include <richedit.h>

namespace {

// Loaded with the first code view, freed at exit.
struct RichEditLibrary {
    HMODULE module = LoadLibraryA("riched20.dll");
    ~RichEditLibrary() {
        if (module) FreeLibrary(module);
    }
};

void LoadRichEdit() {
    static RichEditLibrary library;
    if (!library.module) throw fw::Exception("The rich edit control (riched20.dll) is not available");
}

struct TokenStyle {
    COLORREF color;
    DWORD effects;
};

TokenStyle StyleOf(core::TCodeTokenKind kind) {
    switch (kind) {
    case core::TCodeTokenKind::Keyword:
        return {RGB(0, 0, 0), CFE_BOLD};
    case core::TCodeTokenKind::String:
        return {RGB(0, 0, 255), 0};
    case core::TCodeTokenKind::Number:
        return {RGB(0, 0, 128), 0};
    case core::TCodeTokenKind::Comment:
        break;
    }
    return {RGB(0, 128, 0), CFE_ITALIC};
}

CHARFORMAT2A Format(const TokenStyle& style) {
    CHARFORMAT2A format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_BOLD | CFM_ITALIC;
    format.crTextColor = style.color;
    format.dwEffects = style.effects;
    return format;
}

// Courier New, or where it is missing the fixed-pitch face the font mapper puts in its place: the rich
// edit itself would fall back to a proportional one.
std::string FixedPitchFace() {
    LOGFONTA wanted{};
    wanted.lfCharSet = ANSI_CHARSET;
    wanted.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(wanted.lfFaceName, "Courier New", LF_FACESIZE);
    fw::Font font(CreateFontIndirectA(&wanted));
    fw::MemoryDC dc(CreateCompatibleDC(nullptr));
    char face[LF_FACESIZE] = {};
    if (font && dc) {
        fw::Selection selection(dc.get(), font.get());
        GetTextFaceA(dc.get(), LF_FACESIZE, face);
    }
    return face[0] ? face : wanted.lfFaceName;
}

} // namespace

TCodeEditor::TCodeEditor(HWND parent, int id) {
    LoadRichEdit();
    HWND hwnd = CreateWindowExA(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                    ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                                0, 0, 0, 0, parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                                fw::application().instance(), nullptr);
    if (!hwnd) throw fw::Exception("Cannot create the code view");
    attach(hwnd);
    SendMessageA(hwnd, EM_EXLIMITTEXT, 0, 1 << 24);
    SendMessageA(hwnd, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
    CHARFORMAT2A font{};
    font.cbSize = sizeof font;
    font.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET;
    font.yHeight = 10 * 20; // twips
    font.bCharSet = ANSI_CHARSET;
    font.bPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(font.szFaceName, FixedPitchFace().c_str(), LF_FACESIZE);
    // The default format too: new text takes it, not the format of the text it replaces.
    SendMessageA(hwnd, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&font));
    SendMessageA(hwnd, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&font));
    // Tab stops every four characters, as code editors set them.
    PARAFORMAT2 paragraph{};
    paragraph.cbSize = sizeof paragraph;
    paragraph.dwMask = PFM_TABSTOPS;
    paragraph.cTabCount = MAX_TAB_STOPS;
    for (int i = 0; i < MAX_TAB_STOPS; ++i)
        paragraph.rgxTabs[i] = (i + 1) * 4 * 120; // 4 characters of 120 twips
    SendMessageA(hwnd, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
}

void TCodeEditor::setCode(const std::string& text) {
    code_ = text;
    SetWindowTextA(handle(), code_.c_str());
    highlight();
}

void TCodeEditor::setSyntax(core::TCodeSyntax syntax) {
    syntax_ = syntax;
    highlight();
}

void TCodeEditor::highlight() {
    HWND hwnd = handle();
    SendMessageA(hwnd, WM_SETREDRAW, FALSE, 0);
    CHARRANGE kept{};
    SendMessageA(hwnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));

    CHARRANGE all{0, -1};
    SendMessageA(hwnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    CHARFORMAT2A plain = Format({GetSysColor(COLOR_WINDOWTEXT), 0});
    SendMessageA(hwnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&plain));
    for (const auto& token : core::HighlightCode(code_, syntax_)) {
        // The control counts CR LF as one character.
        CHARRANGE range{LONG(core::RichEditPosition(code_, token.Start)),
                        LONG(core::RichEditPosition(code_, token.Start + token.Length))};
        SendMessageA(hwnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMAT2A format = Format(StyleOf(token.Kind));
        SendMessageA(hwnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }

    SendMessageA(hwnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    SendMessageA(hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
}
