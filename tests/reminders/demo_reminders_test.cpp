#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/connection.h"
#include "common/sql_text.h"
#include "common/text_encoding.h"
#include "fixtures/reminder_data_builder.h"
#include "reminder_files.h"
#include "reminders/reminder_run.h"
#include "support/fake_clock.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

class SilentView final : public ReminderRunView {
public:
    void setStatus(unsigned) override {}
    void processPendingEvents() override {}
};

// The demo installation's data, built as the demo script builds it, writes reminders on its first run of the
// day: the sample receivables fall due relative to the day the database is built.
TEST(DemoReminders, TheFirstRunAfterTheConfiguredHourWritesReminders) {
    const ScratchFolder folder;
    const test::Outbox outbox{folder.path() / "Email"};
    const std::string fixtures = VELMORA_FIXTURES_DIR;
    const std::string database = (folder.path() / "demo.fdb").string();
    const std::string paths = (folder.path() / "paths.sql").string();
    std::ofstream(paths) << "UPDATE TAB_PARAMETRO SET NM_PASTA_EMAIL = "
                         << quotedSql((outbox.emailFolder / "").string()) << " WHERE ID_PARAMETRO = 1;\nCOMMIT;\n";
    const std::string command = fixtures + "/create-database " + database + " " + fixtures +
                                "/report_catalogue.sql " + fixtures + "/sample_data.sql " + fixtures +
                                "/sample_reports.sql " + paths;
    ASSERT_EQ(std::system(command.c_str()), 0);
    test::ReminderData::writeTemplate(
        outbox.emailFolder,
        utf8ToWindows1252("Prezado(a) <nome_contato_financeiro>,\r\no título <documento_financeiro> vence em "
                          "<data_vencimento>.\r\n<nossa_empresa>\r\n"));

    Connection db(ConnectionSettings{database, "sysdba", "plorvatec"});
    const DateTime now = localDateTime(std::chrono::system_clock::now());
    test::FakeClock clock(atMidnight(dateOf(now)) + std::chrono::hours(12));
    SilentView view;
    ReminderRun(db, clock, view).writeDueReminders();

    const auto controls = outbox.controlFiles();
    ASSERT_EQ(controls.size(), 3u);
    const std::vector<std::string> documents = {"1002", "1003", "1012"};
    for (std::size_t i = 0; i < documents.size(); ++i) {
        EXPECT_TRUE(controls[i].starts_with("Aviso de Vencto - " + documents[i] + " - ")) << controls[i];
    }
    EXPECT_EQ(db.query("select count(*) from mov_financeiro where dt_email_enviado_aviso_vencto = current_date")
                  .field(0, 0)
                  .asInteger(),
              4)
        << "1001 too, whose debtor's address is rejected";
}

}  // namespace
}  // namespace velmora
