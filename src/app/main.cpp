#include <QApplication>
#include <QMetaObject>
#include <cstdio>
#include <cstdlib>

#include "app/monitor_program.h"
#include "app/termination_request.h"
#include "common/clock.h"
#include "monitor/main_window.h"
#include "monitor/process_control.h"

namespace {

class ApplicationProcess final : public velmora::ProcessControl {
public:
    [[noreturn]] void endProcess(int exitStatus) override {
        std::fflush(nullptr);
        std::_Exit(exitStatus);
    }
    // Before the event loop runs, a request to leave it would be lost (also when one ran inside an early
    // processEvents), so the request is remembered and main does not enter the loop at all. exit() rather than
    // quit(): quit() first asks every window to close, and the main window refuses (it only hides), so the
    // program would never end. Open message boxes return at once, so no box can hold the end back.
    void requestQuit() override {
        quitRequested_ = true;
        QCoreApplication::exit(0);
    }
    bool quitRequested() const { return quitRequested_; }

private:
    bool quitRequested_ = false;
};

bool unsetOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr || *value == '\0';
}

// Started with no screen at all (a service, a scheduled job), the program runs offscreen rather than failing to
// find a display, and nobody is there to click. A platform chosen explicitly keeps the attended behaviour, even
// offscreen.
bool prepareUnattendedRun() {
    if (!unsetOrEmpty("QT_QPA_PLATFORM") || !unsetOrEmpty("DISPLAY") || !unsetOrEmpty("WAYLAND_DISPLAY")) {
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool unattended = prepareUnattendedRun();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora Monitor Publicação"));
    QApplication::setApplicationDisplayName(QStringLiteral("velmora Monitor Publicação"));
    QApplication::setQuitOnLastWindowClosed(false);

    velmora::SystemClock clock;
    ApplicationProcess process;
    velmora::MainWindow window(clock);
    window.setUnattended(unattended);
    velmora::MonitorProgram program(window, process, clock);
    velmora::Monitor& monitor = program.monitor();
    window.attach(monitor);
    velmora::TerminationRequest termination([&monitor] { monitor.quitRequested(); });
    // An upload to a stalled server would hold the end back for its whole time-out.
    monitor.ftp().setCancelCheck(&velmora::TerminationRequest::arrived);
    monitor.startUp();
    if (!process.quitRequested()) {
        QApplication::exec();
    }
    // The end the program asked for, journaled and ended here whatever still holds on (a connection to a lost
    // server).
    monitor.endProgram();
}
