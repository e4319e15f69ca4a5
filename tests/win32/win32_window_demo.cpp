// Shows one of the Win32 windows for a while, to look at it or take a screenshot:
//   win32_window_demo main|menu|tray|box|notice|confirmation|progress [seconds]
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "common/clock.h"
#include "dialogs/win32_generic_message.h"
#include "dialogs/win32_progress_window.h"
#include "monitor/win32_main_window.h"

namespace {

using namespace velmora;

class DemoEvents final : public WindowEvents {
public:
    explicit DemoEvents(Win32MainWindow& window) : window_(window) {}
    void windowShown() override { window_.showReports(rows()); }
    void hideRequested() override { window_.hideWindow(); }
    void openRequested() override {
        std::printf("[demo] pmnuiOpenClick\n");
        std::fflush(stdout);
        window_.showWindow();
    }
    void quitRequested() override { window_.quitMessageLoop(); }
    void cycleTimerFired() override {}
    void disconnectWatchFired() override {
        std::printf("[demo] Timer2Timer\n");
        std::fflush(stdout);
    }
    void publishNowRequested() override { window_.setProcessingText("Vendas por Vendedor"); }
    void remindersNowRequested() override { window_.setObservationText("Avisos de vencimento gerados."); }

    static std::vector<ReportRow> rows() {
        return {
            {11, "Vendas por Vendedor", "Pasta", "09/12/2026 08:00:00", "10/12/2026 08:00:00", 1, "OK"},
            {12, "Tabela de Preços", "FTP", "09/12/2026 09:30:00", "10/12/2026 09:30:00", 2, "OK"},
            {13, "Comissões (Gestão)", "Pasta", "", "10/12/2026 18:00:00", 1, ""},
            {14, "Vendas por Cliente - Região Sul", "FTP", "01/12/2026 07:00:00", "01/01/2027 07:00:00", 1,
             "Falhou: 530 Login incorrect."},
            {15, "Estoque Mínimo", "Pasta", "10/12/2026 06:00:00", "11/12/2026 06:00:00", 1, "OK"},
        };
    }

private:
    Win32MainWindow& window_;
};

UINT_PTR afterMs(UINT ms, TIMERPROC action) { return SetTimer(nullptr, 0, ms, action); }

void CALLBACK quitNow(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    EndMenu();
    if (HWND box = FindWindowW(L"#32770", nullptr)) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    PostQuitMessage(0);
}

HWND demoWindow = nullptr;

LRESULT CALLBACK logSent(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == Win32MainWindow::kTrayCallbackMessage) {
        std::printf("[demo] tray callback (sent) %lld\n", static_cast<long long>(call->lParam));
        std::fflush(stdout);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK logPosted(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == Win32MainWindow::kTrayCallbackMessage) {
        std::printf("[demo] tray callback (posted) %lld\n", static_cast<long long>(message->lParam));
        std::fflush(stdout);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK rightClickTray(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    SetCursorPos(700, 420);
    PostMessageW(demoWindow, Win32MainWindow::kTrayCallbackMessage, 0, WM_RBUTTONDOWN);
}

// The first icon of the notification area, wherever the desktop shows it.
POINT trayIconPoint() {
    RECT area{0, 0, 24, 44};
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (tray != nullptr && IsWindowVisible(tray)) {
        GetWindowRect(tray, &area);
    }
    std::printf("[demo] clicking the notification area at %ld,%ld\n", area.left + 12, area.bottom - 12);
    std::fflush(stdout);
    return POINT{area.left + 12, area.bottom - 12};
}

void click(DWORD down, DWORD up, int times) {
    const POINT at = trayIconPoint();
    SetCursorPos(at.x, at.y);
    for (int i = 0; i < times; ++i) {
        INPUT presses[2]{};
        presses[0].type = presses[1].type = INPUT_MOUSE;
        presses[0].mi.dwFlags = down;
        presses[1].mi.dwFlags = up;
        SendInput(2, presses, sizeof(INPUT));
    }
}

void CALLBACK doubleClickTray(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
}

void press(DWORD button) {
    const POINT at = trayIconPoint();
    SetCursorPos(at.x, at.y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = button;
    SendInput(1, &input, sizeof(INPUT));
}

void CALLBACK releaseRightButton(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    press(MOUSEEVENTF_RIGHTUP);
}

void CALLBACK closeMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    EndMenu();
}

// A person's click: the button comes up a moment after it went down.
void CALLBACK rightClickTrayIcon(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    press(MOUSEEVENTF_RIGHTDOWN);
    SetTimer(nullptr, 0, 1000, releaseRightButton);
}

void runFor(int seconds) {
    afterMs(static_cast<UINT>(seconds * 1000), quitNow);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int mainWindowScene(const std::string& scene, int seconds) {
    SystemClock clock;
    Win32MainWindow window(clock);
    DemoEvents events(window);
    window.attach(events);
    demoWindow = window.handle();
    window.showTrayIcon();
    window.setVersionText("Versão: 10/12/2026 09:30");
    window.setActiveSinceText("Ativo desde: 10/12/2026 09:31:02");
    window.setStatusWord("DORMINDO");
    window.setProcessingText("Comissões (Gestão)");
    window.setObservationText("O relatório Estoque Mínimo não tem pasta de publicação.");
    window.setCycleTimerActive(true);
    std::printf("tray icon shown: %s\n", window.trayIconShown() ? "yes" : "no");
    std::fflush(stdout);
    if (scene == "tray") {
        SetWindowsHookExW(WH_CALLWNDPROC, logSent, nullptr, GetCurrentThreadId());
        SetWindowsHookExW(WH_GETMESSAGE, logPosted, nullptr, GetCurrentThreadId());
        // Hidden as after start-up: the notification area pops the menu up, then opens the window.
        events.hideRequested();
        afterMs(1500, rightClickTrayIcon);
        afterMs(4000, closeMenu);
        afterMs(4500, doubleClickTray);
    } else {
        events.openRequested();
    }
    if (scene == "menu") {
        afterMs(1500, rightClickTray);
    } else if (scene == "box") {
        afterMs(static_cast<UINT>(seconds * 1000), quitNow);
        window.showMessageBox("Aviso do Sistema", "Não foi possível acessar a pasta Dados no Servidor.",
                              MessageIcon::Error);
        return 0;
    }
    afterMs(static_cast<UINT>(seconds * 1000), quitNow);
    return window.runMessageLoop();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scene = argc > 1 ? argv[1] : "main";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 8;
    if (scene == "main" || scene == "menu" || scene == "box" || scene == "tray") {
        return mainWindowScene(scene, seconds);
    }
    SystemClock clock;
    if (scene == "notice") {
        showWin32GenericMessageWindow("O aplicativo C:\\velmora\\velmoraMonitorPublicacao.exe já está sendo executado em "
                                      "outra sessão de trabalho.",
                                      false, true, clock);
        return 0;
    }
    if (scene == "confirmation") {
        showWin32GenericMessageWindow("AVISO: Existe uma nova versão do aplicativo velmoraMonitorPublicacao. O sistema será "
                                      "atualizado agora.",
                                      true, false, clock);
        runFor(seconds);
        return 0;
    }
    if (scene == "progress") {
        Win32ProgressWindow progressWindow;
        progressWindow.openProgress();
        progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 7);
        for (int i = 0; i < 4; ++i) {
            progressWindow.advanceProgress();
        }
        runFor(seconds);
        return 0;
    }
    std::fprintf(stderr, "unknown scene %s\n", scene.c_str());
    return 2;
}
