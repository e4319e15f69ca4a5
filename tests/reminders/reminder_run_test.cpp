#include "reminders/reminder_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/connection.h"
#include "fixtures/reminder_data_builder.h"
#include "reminder_files.h"
#include "support/erp_installation.h"
#include "support/fake_clock.h"

namespace velmora {
namespace {

using test::ReminderData;
using test::ReminderDocument;

class RecordingView final : public ReminderRunView {
public:
    void setStatus(unsigned code) override { codes.push_back(code); }
    void processPendingEvents() override { ++pendingRounds; }

    std::vector<unsigned> codes;
    int pendingRounds = 0;
};

DateTime todayAt(unsigned hour, unsigned minute) {
    const DateTime now = localDateTime(std::chrono::system_clock::now());
    return atMidnight(dateOf(now)) + std::chrono::hours(hour) + std::chrono::minutes(minute);
}

// An installation with the reminder settings, a template and a run whose clock reads today, so that the
// workstation's date and the database server's current_date agree.
class ReminderRunTest : public ::testing::Test {
protected:
    ReminderRunTest() {
        ReminderData::addTo(*db, outbox.emailFolder);
        ReminderData::writeTemplate(outbox.emailFolder, "<documento_financeiro>");
    }

    // Every update of a document leaves a row, so a document marked twice shows twice.
    void auditMarks() {
        db->execute("create table mark_log (id_financeiro integer)");
        db->execute(
            "create trigger mark_audit for mov_financeiro after update as"
            " begin insert into mark_log values (new.id_financeiro); end");
    }
    std::vector<int> ids(const std::string& sql) {
        const ResultSet rows = db->query(sql);
        std::vector<int> result;
        for (std::size_t row = 0; row < rows.rowCount(); ++row) {
            result.push_back(static_cast<int>(rows.field(row, 0).asInteger()));
        }
        return result;
    }
    std::vector<int> markedToday() {
        return ids("select id_financeiro from mov_financeiro where dt_email_enviado_aviso_vencto = current_date"
                   " order by 1");
    }
    std::vector<int> remindedByFile() const {
        std::vector<int> result;
        for (const auto& name : outbox.controlFiles()) {
            result.push_back(std::stoi(name.substr(std::string("Aviso de Vencto - ").size())));
        }
        std::sort(result.begin(), result.end());
        return result;
    }
    bool dayRecorded() {
        return db->query("select count(*) from tab_parametro where dt_ultimo_email_aviso_enviado = current_date")
                   .field(0, 0)
                   .asInteger() == 1;
    }

    test::ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
    test::Outbox outbox{erp.root() / "Email"};
    test::FakeClock clock{todayAt(12, 0)};
    RecordingView view;
    ReminderRun run{*db, clock, view};
};

TEST_F(ReminderRunTest, DailyTest) {
    const struct {
        const char* flag;
        const char* lastRun;
        const char* hour;
        unsigned h, m;
        bool due;
        const char* why;
    } cases[] = {
        {"'S'", "null", "'08:00'", 8, 0, false, "at the configured minute"},
        {"'S'", "null", "'08:00'", 8, 1, true, "a minute after it"},
        {"'S'", "null", "''", 0, 0, true, "empty hour: first tick of the day"},
        {"'S'", "null", "null", 0, 0, true, "NULL hour: first tick of the day"},
        {"'S'", "'09.03.2026'", "'08:00'", 12, 0, true, "last run yesterday"},
        {"'S'", "'10.03.2026'", "'08:00'", 12, 0, false, "run already done today"},
        {"'S'", "'11.03.2026'", "'08:00'", 12, 0, false, "last run dated later"},
        {"'s'", "null", "'08:00'", 12, 0, false, "lower-case flag"},
        {"'N'", "null", "'08:00'", 12, 0, false, "flag N"},
        {"null", "null", "'08:00'", 12, 0, false, "NULL flag"},
    };
    for (const auto& c : cases) {
        db->execute(std::string("update tab_parametro set st_enviar_email_aviso_vencto = ") + c.flag +
                    ", dt_ultimo_email_aviso_enviado = " + c.lastRun + ", hr_enviar_email_vencto = " + c.hour);
        clock.set(makeDateTime(2026, 3, 10, c.h, c.m));
        EXPECT_EQ(run.isReminderRunDue(), c.due) << c.why;
    }
    db->execute("delete from tab_parametro");
    EXPECT_FALSE(run.isReminderRunDue()) << "no parameter row";
}

TEST_F(ReminderRunTest, SelectionMarkingAndTheDay) {
    auditMarks();
    ReminderData::addDebtor(*db, 30, "SEM E-MAIL", "Contato", "");
    db->execute("insert into cad_pessoa (id_pessoa, nm_pessoa) values (31, 'SO COMERCIAL')");
    db->execute("insert into cad_contato_pessoa (id_pessoa, nm_e_mail, st_contato_cobranca) values (31, 'a@bc.de', 'N')");
    ReminderData::addDebtor(*db, 32, "DOIS CONTATOS", "Primeiro", "primeiro@doisc.com.br");
    db->execute("insert into cad_contato_pessoa (id_pessoa, nm_e_mail, st_contato_cobranca)"
                " values (32, 'segundo@doisc.com.br', 'S')");
    ReminderData::addDebtor(*db, 33, "HOTEL", "Tesouraria", "Cobranca@Hotel.com.br");

    const std::vector<ReminderDocument> documents = {
        {.id = 101, .due = "current_date"},                         // due today
        {.id = 102, .due = "current_date - 1"},                     // due yesterday
        {.id = 103, .due = "current_date + 3"},                     // at the horizon
        {.id = 104, .due = "current_date + 4"},                     // beyond it
        {.id = 105, .issued = "current_date - 3"},                  // issued at the emission limit
        {.id = 106, .issued = "current_date - 2"},                  // issued too recently
        {.id = 107, .movementType = 1},                             // payable
        {.id = 108, .movementType = 8},
        {.id = 109, .movementType = 3},
        {.id = 110, .paymentType = ReminderData::kWithoutReminders},
        {.id = 111, .settled = "current_date - 1"},
        {.id = 112, .reminded = "current_date - 5"},
        {.id = 113, .debtor = 30},  // billing contact without e-mail
        {.id = 116, .debtor = 31},  // no billing contact
        {.id = 114, .debtor = 32},  // two billing contacts: one message
        {.id = 115, .debtor = 33},  // address rejected: marked without a message
    };
    for (const auto& document : documents) {
        document.addTo(*db);
    }

    run.writeDueReminders();

    EXPECT_EQ(remindedByFile(), (std::vector<int>{101, 103, 105, 108, 114}));
    EXPECT_EQ(markedToday(), (std::vector<int>{101, 103, 105, 108, 114, 115}));
    EXPECT_EQ(ids("select id_financeiro from mark_log order by 1"), (std::vector<int>{101, 103, 105, 108, 114, 115}))
        << "each document marked once";
    EXPECT_EQ(ids("select id_financeiro from mov_financeiro where dt_email_enviado_aviso_vencto = current_date - 5"),
              std::vector<int>{112});
    EXPECT_TRUE(dayRecorded());
    EXPECT_EQ(view.codes, (std::vector<unsigned>{6, 1}));
    EXPECT_EQ(view.pendingRounds, 6);

    // The same day again, also after the day's mark was taken back by hand: nothing is selected twice.
    clock.advance(std::chrono::hours(1));
    run.writeDueReminders();
    db->execute("update tab_parametro set dt_ultimo_email_aviso_enviado = null");
    run.writeDueReminders();
    EXPECT_EQ(remindedByFile(), (std::vector<int>{101, 103, 105, 108, 114}));
    EXPECT_EQ(ids("select count(*) from mark_log"), std::vector<int>{6});
    EXPECT_TRUE(dayRecorded());
}

TEST_F(ReminderRunTest, ARunWithoutDocumentsStillRecordsTheDay) {
    run.writeDueReminders();
    EXPECT_TRUE(dayRecorded());
    EXPECT_TRUE(run.isReminderRunDue() == false) << "no second run that day";
    EXPECT_EQ(view.codes, (std::vector<unsigned>{6, 1}));
    EXPECT_FALSE(std::filesystem::exists(outbox.folder()));
}

TEST_F(ReminderRunTest, ZeroAndNegativeHorizonsRemindOnlyWhatFallsDueToday) {
    ReminderDocument{.id = 1, .issued = "current_date", .due = "current_date"}.addTo(*db);
    ReminderDocument{.id = 2, .issued = "current_date", .due = "current_date + 1"}.addTo(*db);
    ReminderDocument{.id = 3, .issued = "current_date + 1", .due = "current_date"}.addTo(*db);
    for (const int days : {0, -2}) {
        db->execute("update mov_financeiro set dt_email_enviado_aviso_vencto = null");
        db->execute("update tab_parametro set dt_ultimo_email_aviso_enviado = null, qt_dias_enviar_email_vencto = " +
                    std::to_string(days));
        run.writeDueReminders();
        EXPECT_EQ(markedToday(), std::vector<int>{1}) << days << " days";
    }
}

TEST_F(ReminderRunTest, AFailedMessageStopsTheRunAndLeavesItsDocumentForTheNextRun) {
    ReminderDocument{.id = 301}.addTo(*db);
    std::filesystem::remove(outbox.emailFolder / "Textos" / "Email Aviso.txt");

    EXPECT_THROW(run.writeDueReminders(), std::runtime_error);
    EXPECT_EQ(view.codes, (std::vector<unsigned>{6, 1}));
    EXPECT_TRUE(markedToday().empty());
    EXPECT_FALSE(dayRecorded());

    ReminderData::writeTemplate(outbox.emailFolder, "<documento_financeiro>");
    clock.advance(std::chrono::minutes(1));
    run.writeDueReminders();
    EXPECT_EQ(remindedByFile(), std::vector<int>{301});
    EXPECT_EQ(markedToday(), std::vector<int>{301});
    EXPECT_TRUE(dayRecorded());
}

}  // namespace
}  // namespace velmora
