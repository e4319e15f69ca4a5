#include "dialogs/progress_form.h"

#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

namespace velmora {

namespace {
constexpr int kClientWidth = 330;
constexpr int kClientHeight = 96;

void centreOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->geometry().center());
    window.move(frame.topLeft());
}
}  // namespace

ProgressForm::ProgressForm()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      titleLabel_(new QLabel(QStringLiteral("lblTitulo"), this)),
      gaugeBar_(new ProgressGauge(this)),
      footerLabel_(new QLabel(QStringLiteral("lblRodape"), this)) {
    setObjectName(QStringLiteral("frmProgressoGeral"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("frmProgressoGeral"));
    // Falls back to the desktop's sans font where the family is missing.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    titleLabel_->setObjectName(QStringLiteral("lblTitulo"));
    titleLabel_->setGeometry(18, 16, 297, 13);
    gaugeBar_->setObjectName(QStringLiteral("ggProgresso"));
    gaugeBar_->setGeometry(18, 38, 297, 20);
    gaugeBar_->setProgress(0);
    footerLabel_->setObjectName(QStringLiteral("lblRodape"));
    footerLabel_->setGeometry(18, 72, 297, 13);

    centreOnScreen(*this);
}

void ProgressForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The frame is known only once the platform window exists.
    if (!centredWithFrame_) {
        centredWithFrame_ = true;
        centreOnScreen(*this);
    }
}

void ProgressForm::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

}  // namespace velmora
