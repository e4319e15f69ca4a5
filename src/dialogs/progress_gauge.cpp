#include "dialogs/progress_gauge.h"

#include <algorithm>

namespace velmora {

ProgressGauge::ProgressGauge(QWidget* parent) : QProgressBar(parent) {
    // The bar itself only ever sees the percentage.
    setRange(0, 100);
    setTextVisible(true);
    setFormat(QStringLiteral("%p%"));
    clampAndShow();
}

int ProgressGauge::percentDone() const {
    if (maxValue_ == minValue_) {
        return 0;
    }
    const long long done = static_cast<long long>(progress_) - minValue_;
    const long long total = static_cast<long long>(maxValue_) - minValue_;
    return static_cast<int>(done * 100 / total);
}

void ProgressGauge::setMinValue(int value) {
    minValue_ = value;
    maxValue_ = std::max(maxValue_, value);
    clampAndShow();
}

void ProgressGauge::setMaxValue(int value) {
    maxValue_ = value;
    minValue_ = std::min(minValue_, value);
    clampAndShow();
}

void ProgressGauge::setProgress(long long value) {
    progress_ = static_cast<int>(std::clamp<long long>(value, minValue_, maxValue_));
    clampAndShow();
}

void ProgressGauge::clampAndShow() {
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    setValue(percentDone());
}

}  // namespace velmora
