#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "monitor_harness.h"
#include "support/file_bytes.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ProcessEnded;


TEST(MonitorStartup, StartsConnectedAsleepAndHidden) {
    MonitorHarness h;
    h.ui.visible = true;
    h.monitor->FormCreate();

    EXPECT_TRUE(h.ui.trayIconShown);
    EXPECT_TRUE(std::regex_match(h.ui.versionText, std::regex(R"(Versão: \d\d/\d\d/\d{4} \d\d:\d\d)"))) << h.ui.versionText;
    EXPECT_EQ(h.ui.activeSinceText, "Ativo desde: 10/12/2026 09:30:00");
    EXPECT_EQ(test::readBytes(h.erp.lockFile()), "Este arquivo indica que o monitor " + h.erp.programPath().string() +
                                               " est\xE1 em execu\xE7\xE3o.\r\n");
    ASSERT_TRUE(h.monitor->connected());
    EXPECT_TRUE(h.monitor->database().isOpen());
    EXPECT_EQ(h.update.serverIniPath(), h.erp.serverIni().string());
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
    EXPECT_EQ(h.ui.statusWord, "DORMINDO");
    EXPECT_EQ(h.ui.processingText, "");
    EXPECT_EQ(h.ui.observationText, "");
    EXPECT_FALSE(h.ui.visible);
    EXPECT_TRUE(h.ui.messageBoxes.empty());
    EXPECT_EQ(h.process.quitRequests, 0);
    EXPECT_EQ(h.ui.gridRefreshes, 0) << "the grid is filled when the window is shown, not at start-up";
}

TEST(MonitorStartup, VersionLabelShowsTheProgramFilesTimeToTheMinute) {
    MonitorHarness h;
    const auto written = fs::file_time_type::clock::now() - std::chrono::hours(24 * 3);
    fs::last_write_time(h.erp.programPath(), written);
    h.monitor->ExibirVersao();
    const DateTime local = localDateTime(std::chrono::file_clock::to_sys(written));
    const auto p = splitDateTime(local);
    char expected[32];
    std::snprintf(expected, sizeof expected, "Versão: %02u/%02u/%04d %02u:%02u", p.day, p.month, p.year, p.hour, p.minute);
    EXPECT_EQ(h.ui.versionText, expected);
}

TEST(MonitorStartup, ASecondStartShowsTheNoticeAndEndsLaterKeepingTheLock) {
    MonitorHarness h;
    std::ofstream(h.erp.lockFile()) << "lock of the other monitor";
    h.monitor->FormCreate();

    ASSERT_EQ(h.ui.genericMessages.size(), 1u);
    EXPECT_EQ(h.ui.genericMessages[0], "O aplicativo " + h.erp.programPath().string() +
                                           " já está sendo executado em outra sessão de trabalho.");
    EXPECT_FALSE(h.ui.genericMessageConfirmation);
    EXPECT_TRUE(h.ui.genericMessageClosesByItself);
    EXPECT_EQ(h.process.quitRequests, 1);
    EXPECT_EQ(h.process.endCount, 0);
    EXPECT_EQ(test::readBytes(h.erp.lockFile()), "lock of the other monitor");
    // The end is deferred: start-up still connects and finishes.
    EXPECT_TRUE(h.monitor->connected());
    EXPECT_EQ(h.ui.statusWord, "DORMINDO");
}

// A crash, a power cut or a lost server leaves the lock behind; nobody refreshes it any more.
TEST(MonitorStartup, ALockNotRefreshedForFiveMinutesIsTakenOverAndSaidSo) {
    MonitorHarness h;
    std::ofstream(h.erp.lockFile()) << "lock of a monitor that died";
    fs::last_write_time(h.erp.lockFile(), fs::file_time_type::clock::now() - std::chrono::minutes(7));
    h.monitor->FormCreate();

    EXPECT_TRUE(h.ui.genericMessages.empty());
    EXPECT_EQ(h.process.quitRequests, 0);
    EXPECT_EQ(test::readBytes(h.erp.lockFile()), "Este arquivo indica que o monitor " + h.erp.programPath().string() +
                                               " est\xE1 em execu\xE7\xE3o.\r\n");
    EXPECT_LT(fs::file_time_type::clock::now() - fs::last_write_time(h.erp.lockFile()), std::chrono::minutes(1));
    EXPECT_EQ(h.ui.observationText, "O arquivo de trava " + h.erp.lockFile().string() +
                                        " estava sem atualização havia 7 minutos e foi assumido por este monitor.");
    EXPECT_EQ(h.ui.statusWord, "DORMINDO");
    EXPECT_TRUE(h.ui.cycleTimer);
}

TEST(MonitorStartup, ALockRefreshedWithinFiveMinutesStillRefusesTheStart) {
    MonitorHarness h;
    std::ofstream(h.erp.lockFile()) << "lock of the other monitor";
    const auto written = fs::file_time_type::clock::now() - std::chrono::minutes(4);
    fs::last_write_time(h.erp.lockFile(), written);
    h.monitor->FormCreate();

    EXPECT_EQ(h.ui.genericMessages.size(), 1u);
    EXPECT_EQ(h.process.quitRequests, 1);
    EXPECT_EQ(test::readBytes(h.erp.lockFile()), "lock of the other monitor");
    EXPECT_EQ(fs::last_write_time(h.erp.lockFile()), written);
}

TEST(MonitorStartup, AMissingServerIniTellsTwiceAndEndsWithoutRemovingTheLock) {
    MonitorHarness h;
    fs::remove(h.erp.serverIni());
    EXPECT_THROW(h.monitor->FormCreate(), ProcessEnded);

    ASSERT_EQ(h.ui.messageBoxes.size(), 2u);
    EXPECT_EQ(h.ui.messageBoxes[0].text, "Não foi encontrado o arquivo de inicialização dentro da pasta velmora Empresa");
    EXPECT_EQ(h.ui.messageBoxes[1].text, "Não foi encontrado o arquivo de inicialização");
    EXPECT_TRUE(fs::exists(h.erp.lockFile()));
    EXPECT_FALSE(h.ui.cycleTimer);
}

TEST(MonitorStartup, AFailingTestConnectionEndsTheProgramSilently) {
    MonitorHarness h;
    h.erp.writeServerIni("", h.erp.dataFolderText(), "missing.fdb");
    EXPECT_THROW(h.monitor->FormCreate(), ProcessEnded);
    EXPECT_TRUE(h.ui.messageBoxes.empty());
    EXPECT_TRUE(fs::exists(h.erp.lockFile()));
}

TEST(MonitorStartup, AnErrorInsideStartUpIsShownAndLeavesTheCycleOff) {
    MonitorHarness h;
    fs::remove(h.erp.erpIni());  // no ERP INI and no Dados folder beside the program: the lock cannot be written
    h.ui.visible = false;
    h.monitor->FormCreate();

    ASSERT_EQ(h.ui.messageBoxes.size(), 2u);
    EXPECT_EQ(h.ui.messageBoxes[0].text, "Não foi encontrado a pasta Dados no servidor");
    EXPECT_EQ(h.ui.messageBoxes[1].title, "velmora Monitor Publicação");
    EXPECT_EQ(h.ui.messageBoxes[1].icon, MessageIcon::Error);
    EXPECT_NE(h.ui.messageBoxes[1].text.find("Dados"), std::string::npos) << h.ui.messageBoxes[1].text;
    EXPECT_EQ(h.process.quitRequests, 1);
    EXPECT_FALSE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
    EXPECT_TRUE(h.ui.trayIconShown);
}

TEST(MonitorStartup, SairClosesRemovesTheLockAndEnds) {
    MonitorHarness h;
    h.monitor->FormCreate();
    ASSERT_TRUE(fs::exists(h.erp.lockFile()));
    EXPECT_THROW(h.monitor->Sair1Click(), ProcessEnded);
    EXPECT_FALSE(fs::exists(h.erp.lockFile()));
    EXPECT_FALSE(h.monitor->connected());
    EXPECT_GT(h.ui.pendingEventRounds, 0);
}

TEST(MonitorStartup, WindowOpensFromTheMenuAndHidesOnMinimise) {
    MonitorHarness h;
    h.monitor->FormCreate();
    h.monitor->pmnuiOpenClick();
    EXPECT_TRUE(h.ui.visible);
    h.monitor->BitBtn1Click();
    EXPECT_FALSE(h.ui.visible);
    EXPECT_TRUE(h.ui.cycleTimer);
}

}  // namespace
}  // namespace velmora
