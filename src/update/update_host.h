#pragma once

#include <string>

namespace velmora {

enum class UpdateMessageIcon { None, Exclamation };

// What the update check needs from the program around it: its message boxes, the self-closing notice, and the
// two ways to end. The monitor implements it over its window and process control.
class UpdateHost {
public:
    virtual ~UpdateHost() = default;

    // A modal message box with an OK button; returns when the user closed it.
    virtual void showMessageBox(const std::string& title, const std::string& text, UpdateMessageIcon icon) = 0;
    // The generic message window; with closeByItself it returns after its 5 seconds.
    virtual void showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) = 0;
    // The updater runs and will replace the program and start the new copy: what this start holds for the
    // installation (its lock) is given up now, so that the new copy is not refused.
    virtual void handingOver() = 0;
    // The program ends once start-up has finished; the caller goes on meanwhile.
    virtual void requestQuit() = 0;
    // Ends this process now, without any orderly shutdown. Never returns.
    [[noreturn]] virtual void endProcess() = 0;
};

}  // namespace velmora
