#pragma once

namespace velmora {

// A bar gauge's minimum, maximum and progress. The progress always stays inside the range, and the range never
// inverts: moving one end past the other takes that one along.
class GaugeRange {
public:
    int minValue() const { return minValue_; }
    int maxValue() const { return maxValue_; }
    int progress() const { return progress_; }
    // Truncated; 0 for an empty range (a bar control would show a busy bar there).
    int percentDone() const;

    void setMinValue(int value);
    void setMaxValue(int value);
    void setProgress(long long value);

private:
    int minValue_ = 0;
    int maxValue_ = 100;
    int progress_ = 0;
};

}  // namespace velmora
