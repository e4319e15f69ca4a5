#include "dialogs/progress_window.h"

#include <QString>

namespace velmora {

QtProgressWindow::~QtProgressWindow() {
    // The form may outlive this object until its deferred deletion; it must not call back into it.
    QObject::disconnect(formClose_);
    if (progressForm_) {
        progressForm_->close();
    }
}

void QtProgressWindow::openProgress() {
    // A window left open by an earlier run would otherwise stay on screen with nobody to close it.
    closeProgress();
    auto* form = new ProgressForm;  // deletes itself on close
    progressForm_ = form;
    formClose_ = QObject::connect(form, &ProgressForm::closed, form, [this] {
        progressForm_.clear();
        QObject::disconnect(formClose_);
    });
    form->show();
    form->raise();
}

void QtProgressWindow::startProgress(const std::string& caption, const std::string& title,
                                     const std::string& footer, int minimum, int maximum) {
    ProgressForm* form = progressForm_.data();
    if (form == nullptr) {
        return;
    }
    form->setWindowTitle(QString::fromStdString(caption));
    form->titleLabel()->setText(QString::fromStdString(title));
    form->titleLabel()->repaint();
    form->footerLabel()->setText(QString::fromStdString(footer));
    form->footerLabel()->repaint();

    // Emptying the gauge first lets any new range apply, whatever the old one was.
    ProgressGauge* gauge = form->gaugeBar();
    gauge->setProgress(0);
    gauge->setMinValue(0);
    gauge->setMaxValue(0);
    gauge->repaint();
    gauge->setMaxValue(maximum);
    gauge->setMinValue(minimum);
    gauge->repaint();
}

void QtProgressWindow::advanceProgress() {
    if (progressForm_) {
        progressForm_->gaugeBar()->addProgress(1);
        progressForm_->gaugeBar()->repaint();
    }
}

void QtProgressWindow::closeProgress() {
    if (progressForm_) {
        progressForm_->close();
    }
}

}  // namespace velmora
