#pragma once
// The real program, started with the tests' settings and driven from outside as a user's tools would:
// its commands posted, its windows found, their z-order and texts read.
#include "support/ProcessDriver.h"

#include <windows.h>

#include <functional>
#include <string>

namespace testing_support {

// Checks the condition every 20 ms until it holds (true) or `ms` have passed (false). The calling thread's
// messages are handled meanwhile, so the waits also serve tests whose windows live in their own thread.
bool WaitFor(const std::function<bool()>& done, DWORD ms = 30000);
// True when the condition held at every check for `ms` milliseconds.
bool HoldsFor(const std::function<bool()>& condition, DWORD ms);
// Puts the mouse cursor there, as a user's move does (no button is pressed); false when it would not stay.
bool MoveMouseTo(POINT target);
// A window's text, read with a time-out (the window may belong to another process).
std::string TextOf(HWND window);
// The first descendant of a window with the class, or 0.
HWND FindDescendant(HWND parent, const char* className);
// True when `upper` stands above `lower` in the z-order of top-level windows.
bool IsAbove(HWND upper, HWND lower);

class OstrelProgram {
public:
    OstrelProgram(); // writes the tests' settings first
    bool started() const { return main != nullptr; }

    // A command of the main form, as its toolbar and menu send them.
    void Command(int id) const;
    // Opens the child window of a main-menu tag and waits for it to show.
    HWND OpenChild(int tag, const char* className, const char* caption) const;
    // Opens a list and waits until it has filled (its status bar counts).
    HWND OpenList(int tag, const char* caption) const;
    // Waits until every shown window of the program has painted what it had to (before a screenshot).
    void WaitPainted() const;
    HWND Find(const char* className, const char* caption = nullptr) const {
        return process.findWindow(className, caption);
    }

    ChildProcess process;
    HWND main = nullptr;
};

} // namespace testing_support
