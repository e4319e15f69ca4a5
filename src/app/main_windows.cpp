#include <windows.h>

#include <cstdio>

#include "app/monitor_program.h"
#include "common/clock.h"
#include "monitor/process_control.h"
#include "monitor/win32_main_window.h"

namespace {

class ApplicationProcess final : public velmora::ProcessControl {
public:
    explicit ApplicationProcess(velmora::Win32MainWindow& window) : window_(window) {}

    // Nothing may hold the end back: not a connection to a lost server, nor a library's clean-up at unload.
    [[noreturn]] void endProcess(int exitStatus) override {
        std::fflush(nullptr);
        ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exitStatus));
        ::ExitProcess(static_cast<UINT>(exitStatus));  // never reached: TerminateProcess does not return for the calling process
    }
    // The quit message also ends any message box that is open (its loop passes the message on), so no box can
    // hold the end back; one posted before the loop starts is kept for it.
    void requestQuit() override {
        quitRequested_ = true;
        window_.quitMessageLoop(0);
    }
    bool quitRequested() const { return quitRequested_; }

private:
    velmora::Win32MainWindow& window_;
    bool quitRequested_ = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    // Before any library is loaded: neither the current folder nor PATH may supply one (a planted fbclient.dll or
    // a DLL it needs), only the program folder and the system's.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    velmora::SystemClock clock;
    velmora::Win32MainWindow window(clock);
    ApplicationProcess process(window);
    velmora::MonitorProgram program(window, process, clock);
    velmora::Monitor& monitor = program.monitor();
    window.attach(monitor);
    monitor.startUp();
    if (!process.quitRequested()) {
        window.runMessageLoop();
    }
    // The end the program asked for, ended here whatever still holds on.
    monitor.endProgram();
}
