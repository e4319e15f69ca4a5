#pragma once

namespace velmora {

// How the program ends. The real one ends the process; tests record the request instead.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    // Ends this process now. Never returns.
    [[noreturn]] virtual void endProcess() = 0;
    // Asks the program to end once the event being handled has finished; the caller goes on meanwhile.
    virtual void requestQuit() = 0;
};

}  // namespace velmora
