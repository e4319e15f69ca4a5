#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/reminder_data_builder.h"
#include "monitor_harness.h"
#include "reminders/reminder_files.h"
#include "support/journal_lines.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ReminderData;
using test::ReminderDocument;

// A monitor whose ERP has reminders due today after 08:00, with the clock at noon of the real day so that it
// agrees with the database server's current_date.
struct ReminderMonitor {
    ReminderMonitor() {
        auto db = h.erp.connect();
        ReminderData::addTo(*db, emailFolder);
        ReminderDocument{.id = 41}.addTo(*db);
        const DateTime now = localDateTime(std::chrono::system_clock::now());
        h.clock.set(atMidnight(dateOf(now)) + std::chrono::hours(12));
    }

    bool marked(int document) {
        return h.erp.connect()
                   ->query("select count(*) from mov_financeiro where dt_email_enviado_aviso_vencto is not null"
                           " and id_financeiro = " +
                           std::to_string(document))
                   .field(0, 0)
                   .asInteger() == 1;
    }

    std::vector<std::string> controlFiles() const { return test::Outbox{emailFolder}.controlFiles(); }

    MonitorHarness h;
    fs::path emailFolder = h.erp.root() / "Email";
};

TEST(ReminderCycle, TheCycleWritesTheDaysRemindersAfterThePublicationPass) {
    ReminderMonitor m;
    ReminderData::writeTemplate(m.emailFolder, "<documento_financeiro>");
    m.h.monitor->startUp();
    m.h.ui.statusHistory.clear();

    m.h.monitor->cycleTimerFired();

    EXPECT_EQ(m.controlFiles().size(), 1u);
    EXPECT_TRUE(m.marked(41));
    const auto& history = m.h.ui.statusHistory;
    const auto sleeping = std::find(history.begin(), history.end(), "DORMINDO");
    const auto generating = std::find(history.begin(), history.end(), "GERANDO EMAIL");
    ASSERT_NE(generating, history.end());
    EXPECT_LT(sleeping, generating) << "the publication pass comes first";
    EXPECT_EQ(*(generating + 1), "MONITORANDO");
    EXPECT_TRUE(m.h.ui.cycleTimer);

    // The day's run is journaled once; the cycles after it, with nothing due, add nothing.
    m.h.monitor->cycleTimerFired();
    m.h.monitor->journal().flush();
    const auto lines = test::journalLines(m.h.erp.dataFolder() / "velmoraMonitorPublicacao.log", "LEMBRETE");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].result + " " + lines[0].detail, "OK 1 mensagem");
}

TEST(ReminderCycle, ForcarEmailRunsTheDaysRunOnceAndKeepsTheTimerOn) {
    ReminderMonitor m;
    ReminderData::writeTemplate(m.emailFolder, "<documento_financeiro>");
    m.h.monitor->startUp();

    m.h.monitor->remindersNowRequested();
    EXPECT_EQ(m.controlFiles().size(), 1u);
    EXPECT_TRUE(m.h.ui.cycleTimer);

    ReminderDocument{.id = 42}.addTo(*m.h.erp.connect());
    m.h.monitor->remindersNowRequested();
    EXPECT_EQ(m.controlFiles().size(), 1u) << "the day's run is done; forcing does not bypass that";
    EXPECT_FALSE(m.marked(42));
    EXPECT_EQ(m.h.ui.statusWord, "MONITORANDO");
    EXPECT_TRUE(m.h.ui.messageBoxes.empty());
}

TEST(ReminderCycle, AMissingTemplateReachesTheCycleAndTheButton) {
    ReminderMonitor m;
    m.h.monitor->startUp();

    m.h.monitor->cycleTimerFired();
    EXPECT_NE(m.h.ui.observationText.find("Email Aviso.txt"), std::string::npos) << m.h.ui.observationText;
    EXPECT_TRUE(m.h.ui.cycleTimer) << "the next minute tries again";
    EXPECT_TRUE(m.h.ui.disconnectTimer);
    EXPECT_FALSE(m.marked(41));
    EXPECT_EQ(m.h.process.endCount, 0);

    m.h.monitor->remindersNowRequested();
    ASSERT_EQ(m.h.ui.messageBoxes.size(), 1u);
    EXPECT_NE(m.h.ui.messageBoxes[0].text.find("Email Aviso.txt"), std::string::npos);
    EXPECT_TRUE(m.h.ui.cycleTimer);
    EXPECT_FALSE(m.marked(41));
}

}  // namespace
}  // namespace velmora
