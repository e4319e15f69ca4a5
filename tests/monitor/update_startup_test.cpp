#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "monitor_harness.h"
#include "support/journal_lines.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::MonitorHarness;
using test::ProcessEnded;

bool hasParameterColumn(const test::ErpInstallation& erp, const std::string& column) {
    return !erp.connect()
                ->query("select 1 from rdb$relation_fields where rdb$relation_name = 'TAB_PARAMETRO' and "
                        "rdb$field_name = '" + column + "'")
                .empty();
}

TEST(UpdateAtStartUp, ACurrentProgramUpgradesTheParameterTableAndRunsOn) {
    MonitorHarness h;
    h.monitor->startUp();

    EXPECT_TRUE(hasParameterColumn(h.erp, "SCRIPT_RODADO"));
    EXPECT_TRUE(hasParameterColumn(h.erp, "VERSAO_ERP"));
    EXPECT_TRUE(fs::exists(test::updateFolderOf(h.erp)));
    EXPECT_TRUE(h.ui.messageBoxes.empty());
    EXPECT_EQ(h.process.quitRequests, 0);
    EXPECT_EQ(h.ui.statusWord, "DORMINDO");
}

TEST(UpdateAtStartUp, HalfPresentVersionColumnsStopStartUpWithTheDatabaseError) {
    for (const char* present : {"versao_erp varchar(30)", "script_rodado integer"}) {
        MonitorHarness h;
        h.erp.connect()->execute(std::string("alter table tab_parametro add ") + present);
        EXPECT_THROW(h.monitor->startUp(), ProcessEnded);

        ASSERT_EQ(h.ui.closingNotices.size(), 1u) << present;
        EXPECT_FALSE(h.ui.closingNotices[0].first.empty());
        EXPECT_FALSE(h.ui.cycleTimer) << "start-up stopped before the cycle was switched on";
        EXPECT_EQ(h.process.lastExitStatus, kFailedEndStatus);
        EXPECT_FALSE(fs::exists(h.erp.lockFile()));
    }
}

TEST(UpdateAtStartUp, ADifferingProgramCopyHandsOverAndEndsTheProcess) {
    MonitorHarness h;
    const fs::path update = test::updateFolderOf(h.erp);
    fs::last_write_time(update / "velmoraMonitorPublicacao", fs::last_write_time(h.erp.programPath()) + 1h);

    EXPECT_THROW(h.monitor->startUp(), ProcessEnded);

    EXPECT_EQ(h.process.endCount, 1);
    ASSERT_EQ(h.ui.genericMessages.size(), 1u);
    EXPECT_EQ(h.ui.genericMessages[0], "AVISO: Existe uma nova versão do aplicativo velmoraMonitorPublicacao. A "
                                       "atualização será feita automaticamente. Aguarde...");
    EXPECT_FALSE(h.ui.genericMessageConfirmation);
    EXPECT_TRUE(h.ui.genericMessageClosesByItself);
    EXPECT_FALSE(h.ui.cycleTimer);
    EXPECT_FALSE(fs::exists(h.erp.lockFile())) << "the new copy that the updater starts must not be refused";

    const fs::path arguments = test::updaterArgumentsFile(update);
    for (int i = 0; i < 600 && !fs::exists(arguments); ++i) {  // the bound only keeps a failure from hanging
        std::this_thread::sleep_for(50ms);
    }
    std::ostringstream words;
    words << std::ifstream(arguments).rdbuf();
    EXPECT_EQ(words.str(), "@F1\n@M" + update.string() + "\n@E" + h.erp.programFolder().string() +
                               "\n@AvelmoraMonitorPublicacao\n");
}

// Nothing is given up before the updater runs: the monitor goes on with the version it has, and holds its lock.
TEST(UpdateAtStartUp, AnUpdaterThatCannotStartIsToldAndStartUpGoesOn) {
    MonitorHarness h;
    const fs::path update = test::updateFolderOf(h.erp);
    fs::last_write_time(update / "velmoraMonitorPublicacao", fs::last_write_time(h.erp.programPath()) + 1h);
    fs::permissions(update / "velmoraAtualizador.exe", fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);

    h.monitor->startUp();

    EXPECT_EQ(h.process.endCount, 0);
    EXPECT_EQ(h.process.quitRequests, 0);
    const std::string told = "Não foi possível iniciar o velmora Atualizador (" +
                             (update / "velmoraAtualizador.exe").string() +
                             "): acesso negado. O monitor continua com a versão atual.";
    ASSERT_EQ(h.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(h.ui.messageBoxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(h.ui.messageBoxes[0].text, told);
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_EQ(h.ui.statusWord, "DORMINDO");
    EXPECT_TRUE(fs::exists(h.erp.lockFile()));

    EXPECT_THROW(h.monitor->quitRequested(), ProcessEnded);
    const auto messages = test::journalLines(h.erp.dataFolder() / "velmoraMonitorPublicacao.log", "MENSAGEM");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().detail, told);
    const auto ends = test::journalLines(h.erp.dataFolder() / "velmoraMonitorPublicacao.log", "FIM");
    ASSERT_EQ(ends.size(), 1u) << "no end for the update";
    EXPECT_EQ(ends[0].detail, "Sair");
}

// On a terminal server every log-on starts the program: only the one that runs may start the updater.
TEST(UpdateAtStartUp, ARefusedSecondStartNeitherUpdatesNorTouchesTheRunningMonitorsLock) {
    MonitorHarness h;
    std::ofstream(h.erp.lockFile()) << "lock of the running monitor";
    const fs::path update = test::updateFolderOf(h.erp);
    fs::last_write_time(update / "velmoraMonitorPublicacao", fs::last_write_time(h.erp.programPath()) + 1h);

    h.monitor->startUp();
    EXPECT_EQ(h.process.quitRequests, 1);
    EXPECT_TRUE(h.ui.closingNotices.empty());
    EXPECT_FALSE(h.monitor->connected()) << "no attachment for a start that is refused";
    EXPECT_THROW(h.monitor->endProgram(), ProcessEnded);
    EXPECT_EQ(h.process.lastExitStatus, 0);
    EXPECT_FALSE(fs::exists(update / "updater-session.txt")) << "the updater was not started";
    ASSERT_TRUE(fs::exists(h.erp.lockFile()));
    std::ostringstream lock;
    lock << std::ifstream(h.erp.lockFile()).rdbuf();
    EXPECT_EQ(lock.str(), "lock of the running monitor");
}

TEST(UpdateAtStartUp, AMissingUpdaterTellsAndEndsTheProgramOnceStartUpHasFinished) {
    MonitorHarness h;
    fs::remove(test::updateFolderOf(h.erp) / "velmoraAtualizador.exe");
    h.monitor->startUp();

    ASSERT_EQ(h.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(h.ui.messageBoxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(h.ui.messageBoxes[0].text,
              "Não foi encontrado o velmora Atualizador no Servidor. Entre em contato com o suporte técnico da velmora.");
    EXPECT_EQ(h.ui.messageBoxes[0].icon, MessageIcon::None);
    EXPECT_EQ(h.process.quitRequests, 1);
    EXPECT_EQ(h.process.endCount, 0);
    EXPECT_EQ(h.ui.statusWord, "DORMINDO") << "the rest of start-up still runs";
}

TEST(UpdateAtStartUp, TheDebugMarkerSkipsTheCheckAndTheUpgrade) {
    MonitorHarness h;
    fs::remove_all(test::updateFolderOf(h.erp));
    std::ofstream(h.erp.programFolder() / "DebugarDelphi.tmp") << "";
    h.monitor->startUp();

    ASSERT_EQ(h.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(h.ui.messageBoxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(h.process.quitRequests, 0);
    EXPECT_FALSE(hasParameterColumn(h.erp, "VERSAO_ERP"));
    EXPECT_EQ(h.ui.statusWord, "DORMINDO");
}

}  // namespace
}  // namespace velmora
