#include "ui/qt/progress_form.h"

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
      lblTitulo_(new QLabel(QStringLiteral("lblTitulo"), this)),
      ggProgresso_(new ProgressGauge(this)),
      lblRodape_(new QLabel(QStringLiteral("lblRodape"), this)) {
    setObjectName(QStringLiteral("frmProgressoGeral"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("frmProgressoGeral"));
    // Falls back to the desktop's sans font where the family is missing.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    lblTitulo_->setObjectName(QStringLiteral("lblTitulo"));
    lblTitulo_->setGeometry(18, 16, 297, 13);
    ggProgresso_->setObjectName(QStringLiteral("ggProgresso"));
    ggProgresso_->setGeometry(18, 38, 297, 20);
    ggProgresso_->setProgress(0);
    lblRodape_->setObjectName(QStringLiteral("lblRodape"));
    lblRodape_->setGeometry(18, 72, 297, 13);

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
