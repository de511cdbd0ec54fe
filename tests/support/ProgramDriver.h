#pragma once
// The real program started and driven from outside, as a user's tools would: its main window, its lists
// opened from the toolbar, their cells read through memory in its process.
#include "support/ProcessDriver.h"
#include <functional>
#include <string>

namespace testing_support {

constexpr DWORD programTimeout = 30000;

// Checks the condition every 20 ms until it holds (true) or `ms` have passed (false). The calling thread's
// messages are handled meanwhile, so the waits also serve tests whose windows live in their own thread.
bool WaitFor(const std::function<bool()>& done, DWORD ms = programTimeout);
// True when the condition held at every check for `ms` milliseconds.
bool HoldsFor(const std::function<bool()>& condition, DWORD ms);
// A window's text, asked for by message (the window may belong to another process).
std::string Text(HWND window);
// The first descendant of a window with the class, or 0.
HWND FindDescendant(HWND parent, const char* className);
// True when `upper` stands above `lower` in the z-order of top-level windows.
bool IsAbove(HWND upper, HWND lower);
// A handle or number as the program shows it by default: "$" and 8 hexadecimal digits.
std::string Hex(UINT_PTR value);

// Memory in another process, for the control messages that carry pointers.
class Remote {
public:
    Remote(DWORD pid, SIZE_T size);
    ~Remote();
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;
    char* at(SIZE_T offset) const { return static_cast<char*>(memory_) + offset; }
    void write(SIZE_T offset, const void* data, SIZE_T size);
    void read(SIZE_T offset, void* data, SIZE_T size) const;

private:
    HANDLE process_;
    void* memory_ = nullptr;
};

struct Program {
    // Starts ostrel.exe and waits for its main window.
    Program();
    // Closes it as a user does, so that it takes back what it gave the shell (app bar, tray icon); one
    // that does not end in time is killed.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    bool started() const { return main != nullptr; }
    HWND Control(int id) const { return GetDlgItem(main, id); }
    HWND Find(const char* className, const char* caption = nullptr) const {
        return ostrel.findWindow(className, caption);
    }
    // A command of the main form, as its toolbar and menu send them.
    void Command(int id) const;
    // Opens the child window of a main-menu tag and waits for it to show.
    HWND OpenChild(int tag, const char* className, const char* caption) const;
    // Waits until the program has handled every message it had, its painting included.
    void WaitIdle() const;
    // Waits (at most `ms`) until every shown window of the program has painted what it had to.
    void WaitPainted(DWORD ms = programTimeout) const;
    // Pictures the screen (build/win32/screenshots/`name`.png) once the program is idle, its windows have
    // painted and their drawing has reached the screen.
    bool Picture(const std::string& name) const;

    // Opens a list as its toolbar button does and waits for the filled window.
    HWND OpenList(int tag, const char* caption) const;
    static HWND List(HWND form);
    static int Rows(HWND form);
    static std::string Status(HWND form);
    std::string Cell(HWND form, int row, int column);
    void Focus(HWND form, int row);
    // Answers the next message box of the program with the button.
    bool Answer(int button);

    ChildProcess ostrel;
    HWND main = nullptr;
};

} // namespace testing_support
