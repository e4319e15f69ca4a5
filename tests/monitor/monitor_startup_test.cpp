#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "data_share.h"
#include "monitor_harness.h"
#include "support/file_bytes.h"
#include "support/journal_lines.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ProcessEnded;


TEST(MonitorStartup, StartsConnectedAsleepAndHidden) {
    MonitorHarness h;
    h.ui.visible = true;
    h.monitor->startUp();

    EXPECT_TRUE(h.ui.trayIconShown);
    EXPECT_TRUE(std::regex_match(h.ui.versionText, std::regex(R"(Versão: \d\d/\d\d/\d{4} \d\d:\d\d)"))) << h.ui.versionText;
    EXPECT_EQ(h.ui.activeSinceText, "Ativo desde: 10/12/2026 09:30:00");
    EXPECT_EQ(test::lockFirstLine(h.erp.lockFile()), "Este arquivo indica que o monitor " + h.erp.programPath().string() +
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
    h.monitor->showVersion();
    const DateTime local = localDateTime(std::chrono::file_clock::to_sys(written));
    const auto p = splitDateTime(local);
    char expected[32];
    std::snprintf(expected, sizeof expected, "Versão: %02u/%02u/%04d %02u:%02u", p.day, p.month, p.year, p.hour, p.minute);
    EXPECT_EQ(h.ui.versionText, expected);
}

TEST(MonitorStartup, ASecondStartShowsTheNoticeAndEndsWithoutTouchingTheDatabaseOrTheLock) {
    MonitorHarness h;
    std::ofstream(h.erp.lockFile()) << "lock of the other monitor";
    h.monitor->startUp();

    ASSERT_EQ(h.ui.genericMessages.size(), 1u);
    EXPECT_EQ(h.ui.genericMessages[0], "O aplicativo " + h.erp.programPath().string() +
                                           " já está sendo executado em outra sessão de trabalho.");
    EXPECT_FALSE(h.ui.genericMessageConfirmation);
    EXPECT_TRUE(h.ui.genericMessageClosesByItself);
    EXPECT_EQ(h.process.quitRequests, 1);
    EXPECT_FALSE(h.monitor->connected());
    EXPECT_FALSE(h.ui.cycleTimer);

    EXPECT_THROW(h.monitor->endProgram(), ProcessEnded);
    EXPECT_EQ(h.process.lastExitStatus, 0) << "a refusal is no failure";
    EXPECT_EQ(test::readBytes(h.erp.lockFile()), "lock of the other monitor");
}

// A crash, a power cut or a lost server leaves the lock behind; nobody refreshes it any more.
TEST(MonitorStartup, ALockNotRefreshedForFiveMinutesIsTakenOverAndSaidSo) {
    MonitorHarness h;
    std::ofstream(h.erp.lockFile()) << "lock of a monitor that died";
    fs::last_write_time(h.erp.lockFile(), fs::file_time_type::clock::now() - std::chrono::minutes(7));
    h.monitor->startUp();

    EXPECT_TRUE(h.ui.genericMessages.empty());
    EXPECT_EQ(h.process.quitRequests, 0);
    EXPECT_EQ(test::lockFirstLine(h.erp.lockFile()), "Este arquivo indica que o monitor " + h.erp.programPath().string() +
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
    h.monitor->startUp();

    EXPECT_EQ(h.ui.genericMessages.size(), 1u);
    EXPECT_EQ(h.process.quitRequests, 1);
    EXPECT_EQ(test::readBytes(h.erp.lockFile()), "lock of the other monitor");
    EXPECT_EQ(fs::last_write_time(h.erp.lockFile()), written);
}

// Settings that lead nowhere: told once, and no lock goes anywhere (not into the current folder either).
TEST(MonitorStartup, SettingsThatLeadToNoDataFolderAreToldAndTheStartEndsAsAFailure) {
    const struct {
        const char* name;
        bool removeErpIni;
        const char* message;
    } cases[] = {
        {"no server INI", false, "Não foi encontrado o arquivo de inicialização dentro da pasta velmora Empresa"},
        {"no ERP INI, no Dados folder", true, "Não foi encontrado a pasta Dados no servidor"},
    };
    for (const auto& c : cases) {
        MonitorHarness h;
        fs::remove(h.erp.serverIni());
        if (c.removeErpIni) {
            fs::remove(h.erp.erpIni());
        }
        const fs::path before = fs::current_path();
        ScratchFolder working;
        fs::current_path(working.path());
        h.monitor->startUp();
        fs::current_path(before);

        ASSERT_EQ(h.ui.messageBoxes.size(), 1u) << c.name;
        EXPECT_EQ(h.ui.messageBoxes[0].text, c.message);
        EXPECT_EQ(h.process.quitRequests, 1) << c.name;
        EXPECT_FALSE(h.monitor->connected()) << c.name;
        EXPECT_FALSE(h.ui.cycleTimer) << c.name;
        EXPECT_THROW(h.monitor->endProgram(), ProcessEnded);
        EXPECT_EQ(h.process.lastExitStatus, kFailedEndStatus) << c.name;
        EXPECT_FALSE(fs::exists(h.erp.lockFile())) << c.name;
        EXPECT_TRUE(fs::is_empty(working.path())) << c.name << ": nothing in the current folder";
    }
}

// A start that cannot go on tells why in a notice that closes by itself, removes the lock it wrote and ends as a
// failure; nothing stays running idle.
TEST(MonitorStartup, AStartThatCannotAttachOrCheckForUpdatesEndsAsAFailureWithoutItsLock) {
    MonitorHarness h;
    h.erp.writeServerIni("", h.erp.dataFolderText(), "missing.fdb");
    EXPECT_THROW(h.monitor->startUp(), ProcessEnded);
    ASSERT_EQ(h.ui.closingNotices.size(), 1u);
    EXPECT_EQ(h.ui.closingNotices[0].first.rfind("Sem conexão com o banco de dados " + h.erp.dataFolderText() +
                                                  "missing.fdb: ", 0),
              0u)
        << h.ui.closingNotices[0].first;
    EXPECT_EQ(h.process.lastExitStatus, kFailedEndStatus);
    EXPECT_FALSE(fs::exists(h.erp.lockFile())) << "a start fixed within five minutes must not be refused";
    EXPECT_FALSE(h.ui.cycleTimer);
}

TEST(MonitorStartup, ALockThatCannotBeWrittenEndsTheStartAsAFailureAndLeavesNoEmptyLock) {
    MonitorHarness h;
    test::DataShare share(h.erp);
    if (share.skipReason()) {
        GTEST_SKIP() << *share.skipReason();
    }
    const fs::path lock = share.lockFile();
    share.disk.fillLeaving(0);

    EXPECT_THROW(h.monitor->startUp(), ProcessEnded);
    ASSERT_EQ(h.ui.closingNotices.size(), 1u);
    EXPECT_NE(h.ui.closingNotices[0].first.find("não há espaço livre no disco"), std::string::npos)
        << h.ui.closingNotices[0].first;
    EXPECT_EQ(h.process.lastExitStatus, kFailedEndStatus);
    EXPECT_FALSE(fs::exists(lock));
    EXPECT_FALSE(h.monitor->connected());
}

TEST(MonitorStartup, SairClosesRemovesTheLockAndEnds) {
    MonitorHarness h;
    h.monitor->startUp();
    ASSERT_TRUE(fs::exists(h.erp.lockFile()));
    EXPECT_THROW(h.monitor->quitRequested(), ProcessEnded);
    EXPECT_FALSE(fs::exists(h.erp.lockFile()));
    EXPECT_FALSE(h.monitor->connected());
    EXPECT_FALSE(h.ui.cycleTimer);
    EXPECT_FALSE(h.ui.disconnectTimer);
    EXPECT_GT(h.ui.pendingEventRounds, 0);
    EXPECT_EQ(h.process.lastExitStatus, 0);
}

TEST(MonitorStartup, AnEndOnAShareTurnedReadOnlySaysThatTheLockStayed) {
    MonitorHarness h;
    test::DataShare share(h.erp);
    if (share.skipReason()) {
        GTEST_SKIP() << *share.skipReason();
    }
    h.monitor->startUp();
    share.disk.setReadOnly(true);
    EXPECT_THROW(h.monitor->quitRequested(), ProcessEnded);
    share.disk.setReadOnly(false);
    h.monitor.reset();  // the journal, on the same share, gets its last lines once it can

    const auto lines = test::journalLines(share.journalFile());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().kind, "FIM");
    EXPECT_NE(lines.back().detail.find("Sair; Não foi possível excluir o arquivo " +
                                       share.lockFile().string()),
              std::string::npos)
        << lines.back().detail;
}

TEST(MonitorStartup, WindowOpensFromTheMenuAndHidesOnMinimise) {
    MonitorHarness h;
    h.monitor->startUp();
    h.monitor->openRequested();
    EXPECT_TRUE(h.ui.visible);
    h.monitor->hideRequested();
    EXPECT_FALSE(h.ui.visible);
    EXPECT_TRUE(h.ui.cycleTimer);
}

}  // namespace
}  // namespace velmora
