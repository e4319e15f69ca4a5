#pragma once

namespace velmora {

// The event handlers of the main window, as a window adapter (Qt, Win32) calls them: clicks, tray menu, timers.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    virtual void windowShown() = 0;
    virtual void hideRequested() = 0;      // "Minimizar"
    virtual void openRequested() = 0;    // "&Abrir Monitor Publicação"
    virtual void quitRequested() = 0;        // "&Sair"
    virtual void cycleTimerFired() = 0;       // the monitoring cycle, every 60 s while on
    virtual void disconnectWatchFired() = 0;       // the disconnect watch, every 5 s while on
    virtual void publishNowRequested() = 0;  // "Publicar Agora"
    virtual void remindersNowRequested() = 0;      // "Forçar Email"
};

}  // namespace velmora
