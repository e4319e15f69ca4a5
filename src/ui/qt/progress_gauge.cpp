#include "ui/qt/progress_gauge.h"

namespace velmora {

ProgressGauge::ProgressGauge(QWidget* parent) : QProgressBar(parent) {
    // The bar itself only ever sees the percentage.
    setRange(0, 100);
    setTextVisible(true);
    setFormat(QStringLiteral("%p%"));
    showPercent();
}

void ProgressGauge::setMinValue(int value) {
    range_.setMinValue(value);
    showPercent();
}

void ProgressGauge::setMaxValue(int value) {
    range_.setMaxValue(value);
    showPercent();
}

void ProgressGauge::setProgress(long long value) {
    range_.setProgress(value);
    showPercent();
}

}  // namespace velmora
