#pragma once

#include <QProgressBar>

namespace velmora {

// A bar gauge with its own minimum, maximum and progress. The progress is always kept inside the range, and the
// bar shows the truncated percentage done, 0 for an empty range (QProgressBar would show a busy bar there).
class ProgressGauge final : public QProgressBar {
public:
    explicit ProgressGauge(QWidget* parent);

    int minValue() const { return minValue_; }
    int maxValue() const { return maxValue_; }
    int progress() const { return progress_; }
    int percentDone() const;

    // Moving one end of the range past the other takes that one along, so the range never inverts.
    void setMinValue(int value);
    void setMaxValue(int value);
    void setProgress(long long value);
    void addProgress(int steps) { setProgress(static_cast<long long>(progress_) + steps); }

private:
    void clampAndShow();

    int minValue_ = 0;
    int maxValue_ = 100;
    int progress_ = 0;
};

}  // namespace velmora
