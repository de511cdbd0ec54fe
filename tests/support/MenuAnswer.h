#pragma once
// Answering a menu of this process from another thread: the menu's loop runs inside the call that opened
// it, on the thread that waits for the answer.
#include <windows.h>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct MenuEntry {
    std::string text; // empty for a separator
    UINT command;
    bool separator;
    bool isDefault;
};

// Waits for the next menu of this process to open (a long wait: a menu left unanswered would hold the
// other thread in its loop for good, and under an emulator on a loaded machine one can take seconds to
// open), sets `seen`, hands its entries to `choose` and chooses the entry at the position it returns by
// moving the selection there, as the keyboard does; Escape when it returns -1.
std::thread AnswerMenu(std::function<int(const std::vector<MenuEntry>&)> choose, std::atomic<bool>& seen);
// Chooses the entry of the command, found by command, never by position (Wine puts an entry of its own
// below a system menu's "Close"); Escape for command 0.
std::thread AnswerMenu(UINT command, std::atomic<bool>& seen);

} // namespace testing_support
