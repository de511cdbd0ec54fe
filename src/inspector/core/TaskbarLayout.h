#pragma once
#include <span>

// The in-application taskbar's button geometry and the numbering of child forms, apart from the system.
namespace core {

// (a / b) rounded to the nearest integer, halves to even; b > 0.
int RoundHalfEven(int a, int b);

// The width of every button: buttonWidth, or with autoSize the smaller of buttonWidth and the taskbar's
// width less 8 shared among the buttons less 1; never below 1, however many buttons share the bar.
int TaskButtonWidth(int taskbarWidth, int buttonCount, int buttonWidth, bool autoSize);
// The left edge of button i and the top edge of every button (between 2-pixel edge borders).
inline int TaskButtonLeft(int index, int width) {
    return index * (width + 1) + 1;
}
inline int TaskButtonTop(int taskbarHeight, int buttonHeight) {
    return (taskbarHeight - 2 - 2 - buttonHeight) / 2;
}

// The smallest positive number not among `used` (numbers of the open forms of one class).
int SmallestFreeNumber(std::span<const int> used);

} // namespace core
