#pragma once

#include <QLabel>
#include <QWidget>

#include "dialogs/progress_gauge.h"

class QCloseEvent;
class QShowEvent;

namespace velmora {

// TfrmProgressoGeral: a title line, a gauge and a footer line over a long run a person watches.
// Deletes itself once closed.
class ProgressForm final : public QWidget {
    Q_OBJECT

public:
    ProgressForm();

    QLabel* titleLabel() const { return titleLabel_; }
    ProgressGauge* gaugeBar() const { return gaugeBar_; }
    QLabel* footerLabel() const { return footerLabel_; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* titleLabel_;
    ProgressGauge* gaugeBar_;
    QLabel* footerLabel_;
    bool centredWithFrame_ = false;
};

}  // namespace velmora
