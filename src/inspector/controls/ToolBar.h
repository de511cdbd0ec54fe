#pragma once
// A comctl32 tool bar with pictures from image lists and hints by command.
#include "framework/Window.h"

#include <span>
#include <string>
#include <vector>

struct TToolButton {
    int Command = 0; // 0: a separator
    int Image = -1;
    const char* Hint = "";
};

class TToolBar : public fw::Window {
public:
    // In a rebar band when `rebar` is given (the bar then sizes itself to its buttons), else on top of
    // the parent.
    void Create(HWND parent, int id, HIMAGELIST images, HIMAGELIST disabledImages,
                std::span<const TToolButton> buttons, HWND rebar = nullptr);
    void Enable(int command, bool enabled);
    bool Enabled(int command) const;
    void SetImage(int command, int image);
    SIZE IdealSize() const;
    // Answers the hint request of the bar's tooltip (it reaches the bar's parent with the command as
    // its id); false for any other notification.
    bool AnswerHint(NMHDR& header) const;

private:
    std::vector<TToolButton> buttons_;
};
