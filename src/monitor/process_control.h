#pragma once

namespace velmora {

inline constexpr int kFailedEndStatus = 1;

// How the program ends. The real one ends the process; tests record the request instead.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    // Ends this process now with the exit status: 0 for an end that was asked for or that went as planned,
    // kFailedEndStatus when the monitor could not go on (a service manager may then start it again). Never returns.
    [[noreturn]] virtual void endProcess(int exitStatus) = 0;
    // Asks the program to end once the event being handled has finished; the caller goes on meanwhile.
    virtual void requestQuit() = 0;
};

}  // namespace velmora
