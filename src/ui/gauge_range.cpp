#include "ui/gauge_range.h"

#include <algorithm>

namespace velmora {

int GaugeRange::percentDone() const {
    if (maxValue_ == minValue_) {
        return 0;
    }
    const long long done = static_cast<long long>(progress_) - minValue_;
    const long long total = static_cast<long long>(maxValue_) - minValue_;
    return static_cast<int>(done * 100 / total);
}

void GaugeRange::setMinValue(int value) {
    minValue_ = value;
    maxValue_ = std::max(maxValue_, value);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
}

void GaugeRange::setMaxValue(int value) {
    maxValue_ = value;
    minValue_ = std::min(minValue_, value);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
}

void GaugeRange::setProgress(long long value) {
    progress_ = static_cast<int>(std::clamp<long long>(value, minValue_, maxValue_));
}

}  // namespace velmora
