#include "ui/qt/progress_window.h"

#include <QString>

namespace velmora {

QtProgressWindow::~QtProgressWindow() {
    // The form may outlive this object until its deferred deletion; it must not call back into it.
    QObject::disconnect(formClose_);
    if (frmProgressoGeral_) {
        frmProgressoGeral_->close();
    }
}

void QtProgressWindow::AbrirProgresso() {
    // A window left open by an earlier run would otherwise stay on screen with nobody to close it.
    FecharProgresso();
    auto* form = new ProgressForm;  // deletes itself on close
    frmProgressoGeral_ = form;
    formClose_ = QObject::connect(form, &ProgressForm::closed, form, [this] {
        frmProgressoGeral_.clear();
        QObject::disconnect(formClose_);
    });
    form->show();
    form->raise();
}

void QtProgressWindow::IniciarProgresso(const std::string& caption, const std::string& title,
                                        const std::string& footer, int minimum, int maximum) {
    ProgressForm* form = frmProgressoGeral_.data();
    if (form == nullptr) {
        return;
    }
    form->setWindowTitle(QString::fromStdString(caption));
    form->lblTitulo()->setText(QString::fromStdString(title));
    form->lblTitulo()->repaint();
    form->lblRodape()->setText(QString::fromStdString(footer));
    form->lblRodape()->repaint();

    // Emptying the gauge first lets any new range apply, whatever the old one was.
    ProgressGauge* gauge = form->ggProgresso();
    gauge->setProgress(0);
    gauge->setMinValue(0);
    gauge->setMaxValue(0);
    gauge->repaint();
    gauge->setMaxValue(maximum);
    gauge->setMinValue(minimum);
    gauge->repaint();
}

void QtProgressWindow::AvancarProgresso() {
    if (frmProgressoGeral_) {
        frmProgressoGeral_->ggProgresso()->addProgress(1);
        frmProgressoGeral_->ggProgresso()->repaint();
    }
}

void QtProgressWindow::FecharProgresso() {
    if (frmProgressoGeral_) {
        frmProgressoGeral_->close();
    }
}

}  // namespace velmora
