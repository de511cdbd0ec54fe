#include "FormatConsts.h"

#include <vector>

void ReformatNumberLabel(HWND label) {
    int length = GetWindowTextLengthA(label);
    if (length <= 0) return;
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(label, buffer.data(), length + 1);
    std::string text = buffer.data();
    if (ReformatNumberText(text)) SetWindowTextA(label, text.c_str());
}
