#pragma once

#include <QLabel>
#include <QWidget>

#include "ui/qt/progress_gauge.h"

class QCloseEvent;
class QShowEvent;

namespace velmora {

// TfrmProgressoGeral: a title line, a gauge and a footer line over a long run a person watches.
// Deletes itself once closed.
class ProgressForm final : public QWidget {
    Q_OBJECT

public:
    ProgressForm();

    QLabel* lblTitulo() const { return lblTitulo_; }
    ProgressGauge* ggProgresso() const { return ggProgresso_; }
    QLabel* lblRodape() const { return lblRodape_; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* lblTitulo_;
    ProgressGauge* ggProgresso_;
    QLabel* lblRodape_;
    bool centredWithFrame_ = false;
};

}  // namespace velmora
