#include "dialogs/generic_message.h"

#include <QApplication>
#include <QFrame>
#include <chrono>

#include "common/clock.h"

namespace velmora {

namespace {
constexpr int kOuterWidth = 540;
constexpr int kOuterHeightPlain = 80;
constexpr int kOuterHeightConfirmation = 200;

// Outer sizes count the frame; Qt sizes the client area, so the frame is taken off when the platform has one.
void setOuterSize(QWidget& window, int width, int height) {
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    window.setFixedSize(width - frame.width(), height - frame.height());
}
}  // namespace

GenericMessageWindow::GenericMessageWindow(const QString& text, bool confirmation)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      messageLabel_(new QLabel(QStringLiteral("Mensagem Genérica"), this)),
      agreeBox_(new QCheckBox(QStringLiteral("Estou ciente destas informações."), this)),
      panel_(new QFrame(this)),
      okButton_(new QPushButton(QStringLiteral("OK"), panel_)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Aviso do Sistema"));
    setModal(false);
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    messageLabel_->setGeometry(8, 16, 517, 72);
    messageLabel_->setWordWrap(true);
    messageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    agreeBox_->setGeometry(8, 94, 185, 17);
    static_cast<QFrame*>(panel_)->setFrameShape(QFrame::StyledPanel);
    okButton_->setGeometry(445, 7, 75, 25);
    okButton_->setEnabled(false);

    connect(agreeBox_, &QCheckBox::toggled, okButton_, &QPushButton::setEnabled);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::close);

    panel_->setVisible(confirmation);
    agreeBox_->setVisible(confirmation);
    okButton_->setVisible(confirmation);
    applyOuterSize();
    messageLabel_->setText(text);
}

void GenericMessageWindow::applyOuterSize() {
    setOuterSize(*this, kOuterWidth, agreeBox_->isVisibleTo(this) ? kOuterHeightConfirmation : kOuterHeightPlain);
    panel_->setGeometry(0, height() - 40, width(), 40);
}

void showGenericMessageWindow(const std::string& text, bool confirmation, bool closeByItself, Clock& clock,
                              std::chrono::milliseconds shownFor) {
    auto* window = new GenericMessageWindow(QString::fromStdString(text), confirmation);  // deletes itself on close
    window->show();
    window->raise();
    window->applyOuterSize();  // the frame is known only once the window is shown
    window->repaint();
    QApplication::processEvents();
    window->applyOuterSize();  // a window manager may frame it only now
    if (closeByItself) {
        clock.sleep(shownFor);
        window->close();
    }
}

}  // namespace velmora
