#pragma once
#include "core/CodeHighlighter.h"
#include "framework/Window.h"
#include <string>

// A read-only code view: a rich edit control (version 2.0) whose text is coloured by our highlighter,
// as a code editor shows keywords, strings, numbers and comments.
class TCodeEditor : public fw::Window {
public:
    TCodeEditor(HWND parent, int id);

    // Shows the text, highlighted for the current syntax.
    void setCode(const std::string& text);
    const std::string& code() const { return code_; }
    // Highlights the shown text again for another language.
    void setSyntax(core::TCodeSyntax syntax);
    core::TCodeSyntax syntax() const { return syntax_; }

private:
    void highlight();

    std::string code_;
    core::TCodeSyntax syntax_ = core::TCodeSyntax::Pascal;
};
