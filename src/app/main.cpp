#include <QApplication>
#include <QMetaObject>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "common/clock.h"
#include "monitor/main_window.h"
#include "monitor/monitor.h"
#include "monitor/process_control.h"
#include "update/update_check.h"

namespace {

class ApplicationProcess final : public velmora::ProcessControl {
public:
    [[noreturn]] void endProcess() override {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    // Queued, so that it also works before the event loop has started: the loop then ends on its first turn.
    void requestQuit() override {
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora Monitor Publicação"));
    QApplication::setApplicationDisplayName(QStringLiteral("velmora Monitor Publicação"));
    QApplication::setQuitOnLastWindowClosed(false);

    velmora::SystemClock clock;
    ApplicationProcess process;
    velmora::UpdateCheck update;
    velmora::MainWindow window(clock);
    velmora::Monitor monitor(std::filesystem::read_symlink("/proc/self/exe"), window, process, clock, update);
    window.attach(monitor);
    monitor.FormCreate();
    return QApplication::exec();
}
