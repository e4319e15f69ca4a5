#pragma once

namespace velmora {

// The event handlers of the main window, as a window adapter (Qt, Win32) calls them: clicks, tray menu, timers.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    virtual void FormShow() = 0;
    virtual void BitBtn1Click() = 0;      // "Minimizar"
    virtual void pmnuiOpenClick() = 0;    // "&Abrir Monitor Publicação"
    virtual void Sair1Click() = 0;        // "&Sair"
    virtual void Timer1Timer() = 0;       // the monitoring cycle, every 60 s while on
    virtual void Timer2Timer() = 0;       // the disconnect watch, every 5 s while on
    virtual void btnPublicarClick() = 0;  // "Publicar Agora"
    virtual void BitBtn2Click() = 0;      // "Forçar Email"
};

}  // namespace velmora
