#include <gtest/gtest.h>

#include <filesystem>

#include "monitor_harness.h"
#include "support/firebird_server.h"
#include "support/loopback_port.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::FirebirdServer;
using test::MonitorHarness;
using test::ProcessEnded;
using test::RefusingPort;

// A monitor connected through a real server whose process dies: the next cycle ends the program, leaving the
// lock so that the installation's other users see that the monitor did not stop on purpose.
TEST(LostServer, ACycleAfterTheServerDiedEndsTheProgramAndKeepsTheLock) {
    FirebirdServer server;
    MonitorHarness h;
    h.erp.writeServerIni(server.hostText(), h.erp.dataFolderText(), h.erp.databaseFile().filename().string());

    h.monitor->FormCreate();
    ASSERT_EQ(h.ui.statusWord, "DORMINDO");
    ASSERT_EQ(h.process.endCount, 0);
    h.monitor->Timer1Timer();  // a sound cycle through the server first
    ASSERT_EQ(h.process.endCount, 0);
    ASSERT_TRUE(h.ui.cycleTimer);

    server.kill();

    EXPECT_THROW(h.monitor->Timer1Timer(), ProcessEnded);
    EXPECT_EQ(h.process.endCount, 1);
    EXPECT_TRUE(fs::exists(h.erp.lockFile()));
    EXPECT_TRUE(h.ui.messageBoxes.empty());
}

TEST(LostServer, AServerThatIsNotThereEndsTheStartSilently) {
    RefusingPort refusing;
    const int port = refusing.port();
    MonitorHarness h;
    h.erp.writeServerIni("127.0.0.1/" + std::to_string(port), h.erp.dataFolderText(),
                         h.erp.databaseFile().filename().string());

    EXPECT_THROW(h.monitor->FormCreate(), ProcessEnded);
    EXPECT_FALSE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.messageBoxes.empty());
}

}  // namespace
}  // namespace velmora
