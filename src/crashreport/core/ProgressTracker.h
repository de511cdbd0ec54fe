#pragma once
// Whether and where the progress bar of a long report shows: only when the work has already taken longer
// than 750 ms and less than half of it is done; from then on it counts from 0 to the end.
#include <cstdint>
#include <vector>

namespace core {

// The bar as the tracker sees it.
class ProgressDisplay {
public:
    // Creates and shows the bar at 0; false when it cannot be shown.
    virtual bool Create() = 0;
    virtual void SetPosition(int position) = 0; // 0..1000
protected:
    ~ProgressDisplay() = default;
};

class ProgressTracker {
public:
    explicit ProgressTracker(std::uint32_t startTick) : startTick_(startTick) {}

    // A phase that starts at the current total.
    void AddPhase(std::uint64_t weight);
    // Position 0..1000 within the current phase; `display` is used only once the bar is due.
    void SetPosition(int position, std::uint32_t now, ProgressDisplay& display);
    void NextPhase(std::uint32_t now, ProgressDisplay& display);

    bool Shown() const { return shown_; }
    int Phase() const { return phase_; }

private:
    struct PhaseRange {
        std::uint64_t Start;
        std::uint64_t Weight;
    };
    std::uint32_t startTick_;
    std::vector<PhaseRange> phases_;
    std::uint64_t total_ = 0;
    int phase_ = 0;
    std::uint64_t offset_ = 0;
    bool shown_ = false;
};

// The drawn state of a bar [left, right): what changed between two positions.
struct ProgressBarStrip {
    int Left = 0, Right = 0;
    int FilledEnd = -1; // -1 before the first drawing
    int Percent = -1;

    static int PercentOf(int position) { return (position + 5) / 10; }
    int EndOf(int position) const { return Left + (Right - Left) * position / 1000; }
    // True when the position moves the filled end by a pixel or changes the percentage; updates the state
    // and gives the old end.
    bool Update(int position, int& oldEnd);
};

} // namespace core
