#pragma once

namespace velmora {

// What the user or the clock asked of the main window, as a window adapter (Qt, Win32) reports it: its buttons,
// the tray menu, and its two timers (the monitoring cycle every 60 s, the disconnect watch every 5 s, each while on).
class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    virtual void windowShown() = 0;
    virtual void hideRequested() = 0;
    virtual void openRequested() = 0;
    virtual void quitRequested() = 0;
    virtual void cycleTimerFired() = 0;
    virtual void disconnectWatchFired() = 0;
    virtual void publishNowRequested() = 0;
    virtual void remindersNowRequested() = 0;
};

}  // namespace velmora
