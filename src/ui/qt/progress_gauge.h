#pragma once

#include <QProgressBar>

#include "ui/gauge_range.h"

namespace velmora {

// A bar gauge with its own minimum, maximum and progress (GaugeRange); the bar shows the percentage done.
class ProgressGauge final : public QProgressBar {
public:
    explicit ProgressGauge(QWidget* parent);

    int minValue() const { return range_.minValue(); }
    int maxValue() const { return range_.maxValue(); }
    int progress() const { return range_.progress(); }
    int percentDone() const { return range_.percentDone(); }

    void setMinValue(int value);
    void setMaxValue(int value);
    void setProgress(long long value);
    void addProgress(int steps) { setProgress(static_cast<long long>(progress()) + steps); }

private:
    void showPercent() { setValue(percentDone()); }

    GaugeRange range_;
};

}  // namespace velmora
