#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <chrono>
#include <string>

namespace velmora {

class Clock;

// TfrmMensagemConfirmarGenerica: one text, either acknowledged by ticking the box and pressing OK, or shown
// for a moment without any control.
class GenericMessageWindow final : public QDialog {
public:
    GenericMessageWindow(const QString& text, bool confirmation);

    QLabel* messageLabel() const { return messageLabel_; }
    QCheckBox* agreeBox() const { return agreeBox_; }
    QPushButton* okButton() const { return okButton_; }
    QWidget* panel() const { return panel_; }

    // Sizes the window by its outer size: 540 wide, 200 high with the confirmation, 80 without.
    void applyOuterSize();

private:
    QLabel* messageLabel_;
    QCheckBox* agreeBox_;
    QWidget* panel_;
    QPushButton* okButton_;
};

// How long a message that closes by itself stays up.
constexpr std::chrono::milliseconds kGenericMessageShownFor{5000};

// Shows the window modeless. With closeByItself it stays shownFor (the thread waits, as the notice is meant to
// hold start-up back) and closes; otherwise it stays until OK, or until the program ends.
void showGenericMessageWindow(const std::string& text, bool confirmation, bool closeByItself, Clock& clock,
                              std::chrono::milliseconds shownFor = kGenericMessageShownFor);

}  // namespace velmora
