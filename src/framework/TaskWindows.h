#pragma once
#include <windows.h>

#include <vector>

namespace fw {

// While it lives, every visible and enabled top-level window of the calling thread but one is disabled,
// as behind a modal window; those still there are enabled again at the end.
class DisabledTaskWindows {
public:
    explicit DisabledTaskWindows(HWND except = nullptr);
    ~DisabledTaskWindows();
    DisabledTaskWindows(const DisabledTaskWindows&) = delete;
    DisabledTaskWindows& operator=(const DisabledTaskWindows&) = delete;

private:
    std::vector<HWND> windows_;
};

} // namespace fw
