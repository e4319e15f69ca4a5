#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "data_share.h"
#include "monitor_harness.h"
#include "support/journal_lines.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ProcessEnded;

// A second monitor of the same installation, as another computer or session would start it.
struct OtherStart {
    explicit OtherStart(const test::ErpInstallation& erp)
        : update(erp.programPath(), updateHost, launcher, erp.root() / "Desktop"),
          monitor(erp.programPath(), ui, process, clock, update) {
        updateHost.setHandOverStep([this] { monitor.releaseLockForUpdate(); });
    }
    test::RecordingUi ui;
    test::RecordingProcess process;
    test::FakeClock clock;
    MonitorUpdateHost updateHost{ui, process};
    DetachedProcessLauncher launcher;
    UpdateCheck update;
    Monitor monitor;
};

// A share outage: the monitor cannot rewrite its lock, so another start may soon take it for gone. It stops
// publishing meanwhile and says so once; back on the share it goes on, and when another start did take over, it
// gives way and leaves the other's lock alone.
TEST(LockOwnership, AMonitorThatCannotProveItsLockStopsPublishingAndGivesWayToATakeOver) {
    MonitorHarness h(true);
    test::DataShare share(h.erp);
    if (share.skipReason()) {
        GTEST_SKIP() << *share.skipReason();
    }
    const fs::path lock = share.lockFile();
    h.monitor->startUp();
    h.monitor->cycleTimerFired();
    ASSERT_EQ(h.jobs->log.size(), 3u);

    share.disk.setReadOnly(true);
    h.monitor->cycleTimerFired();
    h.monitor->cycleTimerFired();
    EXPECT_EQ(h.jobs->log.size(), 3u) << "nothing published while the lock cannot be proven";
    EXPECT_NE(h.ui.observationText.find("As publicações ficam suspensas"), std::string::npos) << h.ui.observationText;
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_EQ(h.process.endCount, 0);

    share.disk.setReadOnly(false);
    h.monitor->cycleTimerFired();
    EXPECT_EQ(h.jobs->log.size(), 6u);

    // Another start finds the lock unrefreshed for minutes (the outage went on) and takes it over.
    fs::last_write_time(lock, fs::file_time_type::clock::now() - std::chrono::minutes(7));
    OtherStart other(h.erp);
    other.monitor.startUp();
    ASSERT_EQ(other.process.quitRequests, 0) << (other.ui.messageBoxes.empty() ? "" : other.ui.messageBoxes[0].text);
    const std::string othersLock = test::readBytes(lock);

    EXPECT_THROW(h.monitor->cycleTimerFired(), ProcessEnded);
    EXPECT_EQ(h.jobs->log.size(), 6u);
    EXPECT_EQ(h.process.lastExitStatus, kFailedEndStatus);
    EXPECT_EQ(test::readBytes(lock), othersLock) << "the lock of the monitor that runs now stays";

    EXPECT_THROW(other.monitor.quitRequested(), ProcessEnded);
    EXPECT_FALSE(fs::exists(lock));

    h.monitor.reset();
    const auto lines = test::journalLines(share.journalFile());
    std::vector<std::string> told;
    for (const auto& line : lines) {
        if (line.kind == "MENSAGEM" || line.kind == "FIM") {
            told.push_back(line.kind + " " + line.result);
        }
    }
    // Suspended once, resumed once, the takeover, the first monitor's end, the second's. Each monitor's journal
    // thread writes its own lines, so the two monitors' lines may interleave either way.
    std::sort(told.begin(), told.end());
    EXPECT_EQ(told, (std::vector<std::string>{"FIM FALHA", "FIM OK", "MENSAGEM FALHA", "MENSAGEM OK", "MENSAGEM OK"}));
}

}  // namespace
}  // namespace velmora
