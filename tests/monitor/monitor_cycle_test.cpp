#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/database_error.h"
#include "monitor_harness.h"
#include "support/journal_lines.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ProcessEnded;

TEST(MonitorCycle, RunsTheStepsInOrderAndSleepsAgain) {
    MonitorHarness h(true);
    h.monitor->startUp();
    h.ui.statusHistory.clear();
    h.monitor->cycleTimerFired();
    EXPECT_EQ(h.jobs->log, (std::vector<std::string>{"publicar", "avisos", "pesquisas"}));
    EXPECT_EQ(h.ui.statusHistory.front(), "MONITORANDO");
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
}

TEST(MonitorCycle, ThePublicationPassWalksTheActiveReportsAndEndsAsleep) {
    MonitorHarness h;
    auto db = h.erp.connect();
    db->execute("delete from tab_relatorio");
    db->execute("insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao) values (1, 'Vendas', 'S', 1)");
    db->execute("insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao) values (2, 'Antigo', 'N', 1)");
    db->execute("insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao) values (3, 'Estoque', 'S', 2)");
    db.reset();
    h.monitor->startUp();
    h.ui.statusHistory.clear();
    h.clock.sleeps.clear();

    h.monitor->cycleTimerFired();

    // 3 seconds before each active report and once more at the end of the pass.
    EXPECT_EQ(h.clock.sleeps, std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(3000)));
    EXPECT_EQ(h.ui.passStatusHistory(), (std::vector<std::string>{"MONITORANDO", "MONITORANDO", "MONITORANDO", "DORMINDO"}));
    EXPECT_EQ(h.ui.gridRefreshes, 1);
    EXPECT_EQ(h.ui.reports.size(), 2u);
    EXPECT_EQ(h.ui.processingText, "");
    EXPECT_TRUE(h.ui.cycleTimer);
}

// A lost connection ends the cycle, is journaled once, and the next cycle attaches again; the monitor never
// ends or stops its timers for it.
TEST(MonitorCycle, ALostConnectionInAnyStepIsToldOnceAndTheNextCycleAttachesAgain) {
    const std::vector<std::pair<std::string, DatabaseError>> cases = {
        {"publicar", DatabaseError("Unable to complete network request to host \"srv\".")},
        {"avisos", DatabaseError("Error reading data from the connection.")},
        {"pesquisas", DatabaseError("Attempt to reopen an open cursor\nunprepared dynamic SQL statement")},
        {"avisos", DatabaseError("Error writing data to the connection.", {335544727})},
        {"publicar", DatabaseError("connection lost", {335544726})},
        {"avisos", DatabaseError("network failure", {335544721})},
    };
    for (const auto& [step, error] : cases) {
        MonitorHarness h(true);
        h.monitor->startUp();
        bool failed = false;
        h.jobs->onStep = [&, failing = step](const std::string& current) {
            if (current == failing && !failed) {
                failed = true;
                throw error;
            }
        };
        h.monitor->cycleTimerFired();
        EXPECT_EQ(h.process.endCount, 0) << error.what();
        EXPECT_TRUE(h.ui.cycleTimer);
        EXPECT_TRUE(h.ui.disconnectTimer);
        EXPECT_TRUE(h.ui.messageBoxes.empty());
        EXPECT_EQ(h.ui.observationText.rfind("Sem conexão com o banco de dados", 0), 0u) << h.ui.observationText;
        EXPECT_NE(std::find(h.jobs->log.begin(), h.jobs->log.end(), step), h.jobs->log.end());
        EXPECT_EQ(h.jobs->log.back(), step) << "the cycle ends at the lost connection";

        h.jobs->log.clear();
        h.monitor->cycleTimerFired();
        EXPECT_EQ(h.jobs->log, (std::vector<std::string>{"publicar", "avisos", "pesquisas"})) << error.what();
        EXPECT_TRUE(fs::exists(h.erp.lockFile()));

        h.monitor.reset();  // writes the journal out
        const auto lines = test::journalLines(h.erp.dataFolder() / "velmoraMonitorPublicacao.log", "MENSAGEM");
        ASSERT_EQ(lines.size(), 2u) << error.what();
        EXPECT_EQ(lines[0].result, "FALHA");
        EXPECT_EQ(lines[0].detail.rfind("conexão com o servidor perdida: ", 0), 0u) << lines[0].detail;
        EXPECT_EQ(lines[1].result, "OK");
        EXPECT_EQ(lines[1].detail, "conexão com o banco de dados restabelecida");
    }
}

// A step that fails (a full outbox, a missing folder) is shown and journaled once while it keeps failing; the
// other steps still run, both timers stay on and every minute tries again.
TEST(MonitorCycle, AFailedStepIsToldOnceAndTheOtherStepsAndMinutesGoOn) {
    MonitorHarness h(true);
    h.monitor->startUp();
    std::string failure = "Não foi possível gravar o arquivo aviso.txt: não há espaço livre no disco";
    int minuteShown = 0;  // the file a reminder run writes carries its time: the same failure, another name
    h.jobs->onStep = [&](const std::string& step) {
        if (step == "avisos" && !failure.empty()) {
            throw std::runtime_error(failure + " " + std::to_string(++minuteShown));
        }
    };
    for (int minute = 0; minute < 3; ++minute) {
        h.monitor->cycleTimerFired();
    }
    EXPECT_EQ(h.jobs->log.size(), 9u) << "every step of every minute ran";
    EXPECT_EQ(h.ui.observationText, failure + " 3");
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
    EXPECT_TRUE(h.ui.messageBoxes.empty());
    EXPECT_EQ(h.process.endCount, 0);

    failure.clear();
    h.monitor->cycleTimerFired();  // room again
    failure = "Não foi possível gravar o arquivo aviso.txt: não há espaço livre no disco";
    h.monitor->cycleTimerFired();  // and full again: told again

    h.monitor.reset();
    const auto lines = test::journalLines(h.erp.dataFolder() / "velmoraMonitorPublicacao.log", "LEMBRETE");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].subject, "avisos de vencimento");
    EXPECT_EQ(lines[0].result, "FALHA");
    EXPECT_EQ(lines[0].detail, failure + " 1");
}

TEST(MonitorCycle, ADatabaseErrorThatIsNotALostConnectionFailsItsStepOnly) {
    MonitorHarness h;
    h.monitor->startUp();
    h.erp.connect()->execute("drop table tab_relatorio");

    h.monitor->cycleTimerFired();

    EXPECT_EQ(h.process.endCount, 0);
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
    EXPECT_TRUE(h.ui.messageBoxes.empty());
    EXPECT_TRUE(h.monitor->database().isOpen());
    EXPECT_TRUE(fs::exists(h.erp.lockFile()));
}

// A tick or click that came during a failing cycle is served after it, as after any other.
TEST(MonitorCycle, WhatWaitedDuringACycleThatFailedIsServedAfterIt) {
    MonitorHarness h(true);
    h.monitor->startUp();
    h.ui.selectedId = 7;
    bool first = true;
    h.jobs->onStep = [&](const std::string& step) {
        if (step == "avisos" && first) {
            first = false;
            h.monitor->publishNowRequested();
            h.monitor->remindersNowRequested();
            throw std::runtime_error("arquivo de modelo ausente");
        }
    };
    h.monitor->cycleTimerFired();
    EXPECT_EQ(h.jobs->log, (std::vector<std::string>{"publicar", "avisos", "pesquisas", "agendar 7", "publicar",
                                                     "avisos"}));
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
}

TEST(MonitorCycle, ATickDuringARunIsServedAfterItNotInsideIt) {
    MonitorHarness h(true);
    h.monitor->startUp();
    h.ui.selectedId = 7;
    h.jobs->onStep = [&](const std::string& step) {
        if (step == "publicar" && h.jobs->log.size() == 1) {
            h.monitor->publishNowRequested();  // a click handled while the pass lets events run
            h.monitor->remindersNowRequested();
            h.monitor->cycleTimerFired();
        }
    };
    h.monitor->cycleTimerFired();
    EXPECT_EQ(h.jobs->log, (std::vector<std::string>{"publicar", "avisos", "pesquisas", "agendar 7", "publicar",
                                                     "avisos", "publicar", "avisos", "pesquisas"}));
    EXPECT_TRUE(h.ui.cycleTimer);
}

}  // namespace
}  // namespace velmora
