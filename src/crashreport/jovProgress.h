#pragma once
// The progress bar of a long report: a borderless strip in the middle of the screen, drawn into a memory
// bitmap and copied to the window without a message loop (the worker draws it while the program is
// stopped). The tracker decides whether it appears at all.
#include "crashreport/core/ProgressTracker.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace jov {

class TProgressBar final : public core::ProgressDisplay {
public:
    TProgressBar() = default;
    ~TProgressBar();
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    bool Create() override;
    void SetPosition(int position) override;

private:
    void Draw(int position);
    void Present();

    HWND window_ = nullptr;
    HDC memoryDc_ = nullptr;
    HDC windowDc_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HFONT font_ = nullptr;
    int width_ = 0, height_ = 0;
    core::ProgressBarStrip strip_;
};

struct ProgressTracker {
    explicit ProgressTracker(std::uint32_t startTick) : tracker(startTick) {}
    core::ProgressTracker tracker;
    TProgressBar bar; // created only when due
};

// Every operation does nothing for an absent tracker.
ProgressTracker* CreateProgressTracker();
void AddProgressPhase(ProgressTracker* tracker, std::uint64_t weight);
// Position 0..1000 within the current phase.
void SetProgressPosition(ProgressTracker* tracker, int position);
void NextProgressPhase(ProgressTracker* tracker);
void FreeProgressTracker(ProgressTracker*& tracker);

} // namespace jov
