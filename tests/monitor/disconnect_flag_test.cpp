#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "monitor_harness.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ProcessEnded;

TEST(DisconnectFlag, OnlyAFirstLineOfExactlyDesconectarEndsTheMonitor) {
    const std::pair<std::string, bool> cases[] = {
        {"DESCONECTAR\r\n", true},
        {"DESCONECTAR", true},
        {"DESCONECTAR\r\nqualquer coisa\r\n", true},
        {"desconectar\r\n", false},
        {"DESCONECTAR \r\n", false},
        {" DESCONECTAR\r\n", false},
        {"CONECTADO\r\nDESCONECTAR\r\n", false},
        {"", false},
    };
    for (const auto& [content, ends] : cases) {
        MonitorHarness h;
        h.monitor->startUp();
        std::ofstream(h.erp.flagFile(), std::ios::binary) << content;
        if (ends) {
            EXPECT_THROW(h.monitor->disconnectWatchFired(), ProcessEnded) << content;
            EXPECT_FALSE(fs::exists(h.erp.lockFile())) << content;
            EXPECT_FALSE(h.ui.cycleTimer);
            EXPECT_TRUE(fs::exists(h.erp.flagFile())) << "the flag belongs to the ERP and stays";
        } else {
            EXPECT_NO_THROW(h.monitor->disconnectWatchFired()) << content;
            EXPECT_TRUE(fs::exists(h.erp.lockFile())) << content;
            EXPECT_TRUE(h.ui.cycleTimer);
        }
    }
}

TEST(DisconnectFlag, NoFlagFileOrNoDataFolderKeepsTheMonitorRunning) {
    MonitorHarness h;
    h.monitor->startUp();
    EXPECT_TRUE(h.monitor->isDisconnectRequested());
    h.erp.writeErpIni("/nonexistent/Dados/velmora.ini");
    EXPECT_TRUE(h.monitor->isDisconnectRequested());
}

TEST(DisconnectFlag, AnUnreadableFlagIsReportedOnceAndTheMonitorStays) {
    MonitorHarness h;
    h.monitor->startUp();
    fs::create_directory(h.erp.flagFile());  // a folder where the file should be: it exists but cannot be read
    // While the box is open the timer keeps ticking; those ticks must not stack further boxes.
    int nestedTicks = 0;
    h.ui.onMessageBox = [&] {
        if (nestedTicks++ < 3) {
            h.monitor->disconnectWatchFired();
        }
    };
    EXPECT_NO_THROW(h.monitor->disconnectWatchFired());
    ASSERT_EQ(h.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(h.ui.messageBoxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(h.ui.messageBoxes[0].text.rfind("Não foi possível acessar a pasta Dados no Servidor. Não foi possível ler o "
                                              "arquivo " + h.erp.flagFile().string() + ": ", 0),
              0u)
        << h.ui.messageBoxes[0].text;
    EXPECT_EQ(h.ui.messageBoxes[0].icon, MessageIcon::Error);

    // Every 5 seconds for as long as it lasts: told once, not once a tick.
    h.ui.onMessageBox = nullptr;
    for (int tick = 0; tick < 5; ++tick) {
        h.monitor->disconnectWatchFired();
    }
    EXPECT_EQ(h.ui.messageBoxes.size(), 1u);
    // Mended, then broken again: told again.
    fs::remove(h.erp.flagFile());
    h.monitor->disconnectWatchFired();
    fs::create_directory(h.erp.flagFile());
    h.monitor->disconnectWatchFired();
    EXPECT_EQ(h.ui.messageBoxes.size(), 2u);
    EXPECT_EQ(h.process.endCount, 0);
    EXPECT_TRUE(fs::exists(h.erp.lockFile()));
}

// Only the first line counts, so only the start of the file is read, whatever its size.
TEST(DisconnectFlag, AHugeFlagFileIsReadNoFurtherThanItsStart) {
    MonitorHarness h;
    h.monitor->startUp();
    std::ofstream(h.erp.flagFile(), std::ios::binary) << "DESCONECTAR\r\n";
    fs::resize_file(h.erp.flagFile(), std::uintmax_t{64} << 30);  // sparse: 64 GB that take no room
    EXPECT_THROW(h.monitor->disconnectWatchFired(), ProcessEnded);
    EXPECT_FALSE(fs::exists(h.erp.lockFile()));
}

// Nobody may be there to close the box: the watch goes on reading the flag behind it.
TEST(DisconnectFlag, TheFlagEndsTheMonitorWhileTheWatchsBoxIsOpen) {
    MonitorHarness h;
    h.monitor->startUp();
    fs::create_directory(h.erp.flagFile());
    int nestedTicks = 0;
    h.ui.onMessageBox = [&] {
        h.monitor->disconnectWatchFired();  // still unreadable: no second box, no end
        ++nestedTicks;
        fs::remove(h.erp.flagFile());
        std::ofstream(h.erp.flagFile()) << "DESCONECTAR\r\n";
        h.monitor->disconnectWatchFired();
    };
    EXPECT_THROW(h.monitor->disconnectWatchFired(), ProcessEnded);
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(h.ui.messageBoxes.size(), 1u);
    EXPECT_FALSE(fs::exists(h.erp.lockFile()));
}

// A share that goes away for a while (the server INI with it) is told once; the monitor waits for it rather than
// ending, and the flag still ends it once the share is back.
TEST(DisconnectFlag, AServerIniThatGoesAwayIsToldOnceAndTheMonitorWaitsForIt) {
    MonitorHarness h;
    h.monitor->startUp();
    fs::remove(h.erp.serverIni());
    h.ui.onMessageBox = [&] {
        if (h.ui.messageBoxes.size() == 1) {
            h.monitor->disconnectWatchFired();  // the next tick, while the first box waits for a click
        }
    };
    EXPECT_NO_THROW(h.monitor->disconnectWatchFired());
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_NO_THROW(h.monitor->disconnectWatchFired());
    }
    ASSERT_EQ(h.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(h.ui.messageBoxes[0].text, "Não foi encontrado o arquivo de inicialização dentro da pasta velmora Empresa");
    EXPECT_EQ(h.process.quitRequests, 0);
    EXPECT_TRUE(fs::exists(h.erp.lockFile()));

    h.erp.writeServerIni("", h.erp.dataFolderText(), h.erp.databaseFile().filename().string());
    std::ofstream(h.erp.flagFile()) << "DESCONECTAR\r\n";
    EXPECT_THROW(h.monitor->disconnectWatchFired(), ProcessEnded);
    EXPECT_FALSE(fs::exists(h.erp.lockFile()));
}

TEST(DisconnectFlag, TheFlagEndsTheMonitorInTheMiddleOfAPass) {
    MonitorHarness h(true);
    h.monitor->startUp();
    h.jobs->onStep = [&](const std::string& step) {
        if (step == "publicar") {
            std::ofstream(h.erp.flagFile()) << "DESCONECTAR\r\n";
            h.monitor->disconnectWatchFired();
        }
    };
    EXPECT_THROW(h.monitor->cycleTimerFired(), ProcessEnded);
    EXPECT_EQ(h.jobs->log, std::vector<std::string>{"publicar"});
    EXPECT_FALSE(fs::exists(h.erp.lockFile()));
}

}  // namespace
}  // namespace velmora
