#pragma once

#include <chrono>
#include <string>

namespace velmora {

class Clock;

// Child control ids of the generic message window, for whoever looks at it through the window handle.
enum Win32GenericMessageControl : int {
    kGenericMessageLabel = 101,      // messageLabel
    kGenericMessageCheckBox = 102,   // agreeBox
    kGenericMessagePanel = 103,      // Panel1
    kGenericMessageOkButton = 104,   // okButton
};

// How long a message that closes by itself stays up.
constexpr std::chrono::milliseconds kGenericMessageShownFor{5000};

// The generic message window ("Aviso do Sistema"), shown modeless. With closeByItself the call returns after the
// window has been up for shownFor of the clock and has closed; the window keeps being painted meanwhile, while
// clicks and timer ticks wait. Otherwise the call returns at once: with the confirmation the window stays until its
// box is ticked and OK pressed, without it until the program ends.
void showWin32GenericMessageWindow(const std::string& text, bool confirmation, bool closeByItself, Clock& clock,
                                   std::chrono::milliseconds shownFor = kGenericMessageShownFor);

}  // namespace velmora
