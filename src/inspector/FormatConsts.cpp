#include "FormatConsts.h"

#include "framework/Window.h"

void ReformatNumberLabel(HWND label) {
    std::string text = fw::windowText(label);
    if (!text.empty() && ReformatNumberText(text)) SetWindowTextA(label, text.c_str());
}
