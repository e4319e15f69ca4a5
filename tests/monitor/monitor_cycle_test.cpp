#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/database_error.h"
#include "monitor_harness.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ProcessEnded;

TEST(MonitorCycle, RunsTheStepsInOrderAndSleepsAgain) {
    MonitorHarness h(true);
    h.monitor->FormCreate();
    h.ui.statusHistory.clear();
    h.monitor->Timer1Timer();
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
    h.monitor->FormCreate();
    h.ui.statusHistory.clear();
    h.clock.sleeps.clear();

    h.monitor->Timer1Timer();

    // 3 seconds before each active report and once more at the end of the pass.
    EXPECT_EQ(h.clock.sleeps, std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(3000)));
    EXPECT_EQ(h.ui.passStatusHistory(), (std::vector<std::string>{"MONITORANDO", "MONITORANDO", "MONITORANDO", "DORMINDO"}));
    EXPECT_EQ(h.ui.gridRefreshes, 1);
    EXPECT_EQ(h.ui.reports.size(), 2u);
    EXPECT_EQ(h.ui.processingText, "");
    EXPECT_TRUE(h.ui.cycleTimer);
}

TEST(MonitorCycle, NetworkErrorsOfAnyStepEndTheProgramAndKeepTheLock) {
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
        h.monitor->FormCreate();
        h.jobs->onStep = [&, failing = step](const std::string& current) {
            if (current == failing) {
                throw error;
            }
        };
        EXPECT_THROW(h.monitor->Timer1Timer(), ProcessEnded) << error.what();
        EXPECT_TRUE(fs::exists(h.erp.lockFile()));
        EXPECT_FALSE(h.ui.cycleTimer);
        EXPECT_FALSE(h.ui.disconnectTimer);
        EXPECT_TRUE(h.ui.messageBoxes.empty());
    }
}

TEST(MonitorCycle, OtherErrorsStopBothTimersAndShowTheirTextWithoutABox) {
    MonitorHarness h;
    h.monitor->FormCreate();
    h.erp.connect()->execute("drop table tab_relatorio");

    h.monitor->Timer1Timer();

    EXPECT_EQ(h.process.endCount, 0);
    EXPECT_FALSE(h.ui.cycleTimer);
    EXPECT_FALSE(h.ui.disconnectTimer);
    EXPECT_TRUE(h.ui.messageBoxes.empty());
    EXPECT_NE(h.ui.observationText.find("TAB_RELATORIO"), std::string::npos) << h.ui.observationText;
    EXPECT_FALSE(h.monitor->database().isOpen()) << "the connection is closed after a handled error";
    EXPECT_TRUE(fs::exists(h.erp.lockFile()));

    // A button brings the cycle back, with the watch on the flag, and the next statement opens the connection.
    h.ui.selectedId = 0;
    h.monitor->btnPublicarClick();
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
    EXPECT_EQ(h.monitor->database().query("select 1 from rdb$database").rowCount(), 1u);
}

// Served after a failed cycle, a waiting tick or click would publish again with the flag no longer watched.
TEST(MonitorCycle, WhatWaitedDuringACycleThatFailedIsDropped) {
    MonitorHarness h(true);
    h.monitor->FormCreate();
    h.ui.selectedId = 7;
    h.jobs->onStep = [&](const std::string& step) {
        if (step == "avisos") {
            h.monitor->Timer1Timer();
            h.monitor->btnPublicarClick();
            h.monitor->BitBtn2Click();
            throw std::runtime_error("arquivo de modelo ausente");
        }
    };
    h.monitor->Timer1Timer();
    EXPECT_EQ(h.jobs->log, (std::vector<std::string>{"publicar", "avisos"}));
    EXPECT_FALSE(h.ui.cycleTimer);
    EXPECT_FALSE(h.ui.disconnectTimer);
    EXPECT_EQ(h.ui.observationText, "arquivo de modelo ausente");

    // Nothing of it comes back with the next tick of any timer either.
    h.jobs->onStep = nullptr;
    h.monitor->Timer2Timer();
    EXPECT_EQ(h.jobs->log.size(), 2u);
}

TEST(MonitorCycle, ATickThatWaitedDuringACycleThatFailedStartsNoPass) {
    MonitorHarness h;
    auto db = h.erp.connect();
    db->execute("delete from tab_relatorio");
    db->execute("insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao) values (1, 'Vendas', 'S', 1)");
    db->execute("alter table tab_parametro drop hr_enviar_email_vencto");  // the reminder step fails
    db.reset();
    h.monitor->FormCreate();
    h.ui.onPendingEvents = [&] { h.monitor->Timer1Timer(); };  // the minute runs out inside the pass

    h.monitor->Timer1Timer();

    EXPECT_EQ(std::count(h.ui.observationHistory.begin(), h.ui.observationHistory.end(),
                         "Faltou informar a pasta para salvar o arquivo"),
              1)
        << "one pass only";
    EXPECT_NE(h.ui.observationText.find("HR_ENVIAR_EMAIL_VENCTO"), std::string::npos) << h.ui.observationText;
    EXPECT_FALSE(h.ui.cycleTimer);
    EXPECT_FALSE(h.ui.disconnectTimer);
}

TEST(MonitorCycle, ATickDuringARunIsServedAfterItNotInsideIt) {
    MonitorHarness h(true);
    h.monitor->FormCreate();
    h.ui.selectedId = 7;
    h.jobs->onStep = [&](const std::string& step) {
        if (step == "publicar" && h.jobs->log.size() == 1) {
            h.monitor->btnPublicarClick();  // a click handled while the pass lets events run
            h.monitor->BitBtn2Click();
            h.monitor->Timer1Timer();
        }
    };
    h.monitor->Timer1Timer();
    EXPECT_EQ(h.jobs->log, (std::vector<std::string>{"publicar", "avisos", "pesquisas", "agendar 7", "publicar",
                                                     "avisos", "publicar", "avisos", "pesquisas"}));
    EXPECT_TRUE(h.ui.cycleTimer);
}

}  // namespace
}  // namespace velmora
