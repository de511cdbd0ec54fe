#include "crashreport/core/ProgressTracker.h"

#include <algorithm>

namespace core {

void ProgressTracker::AddPhase(std::uint64_t weight) {
    phases_.push_back({total_, weight});
    total_ += weight;
}

void ProgressTracker::SetPosition(int position, std::uint32_t now, ProgressDisplay& display) {
    if (!startTick_ || phases_.empty()) return;
    position = std::clamp(position, 0, 1000);
    const PhaseRange& phase = phases_[std::min<std::size_t>(std::max(phase_, 0), phases_.size() - 1)];
    const std::uint64_t done = phase.Start + phase.Weight * std::uint64_t(position) / 1000;
    // Nothing left to do beyond the offset shows as complete.
    int shown = 1000;
    if (total_ > offset_) shown = done <= offset_ ? 0 : int((done - offset_) * 1000 / (total_ - offset_));
    if (!shown_ && now - startTick_ > 750 && shown < 500) {
        if (!display.Create()) {
            startTick_ = 0; // no bar to be had: stop asking
            return;
        }
        shown_ = true;
        offset_ = done;
        shown = 0;
    }
    if (shown_) display.SetPosition(shown);
}

void ProgressTracker::NextPhase(std::uint32_t now, ProgressDisplay& display) {
    SetPosition(1000, now, display);
    if (phase_ < int(phases_.size())) ++phase_;
}

bool ProgressBarStrip::Update(int position, int& oldEnd) {
    position = std::clamp(position, 0, 1000);
    const int end = EndOf(position);
    const int percent = PercentOf(position);
    oldEnd = FilledEnd < 0 ? Left : FilledEnd;
    if (end == FilledEnd && percent == Percent) return false;
    FilledEnd = end;
    Percent = percent;
    return true;
}

} // namespace core
