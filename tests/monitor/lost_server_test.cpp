#include <gtest/gtest.h>

#include <filesystem>

#include "common/connection.h"
#include "common/sql_text.h"
#include "fixtures/report_definition_builder.h"
#include "fixtures/sales_data_builder.h"
#include "monitor_harness.h"
#include "support/firebird_server.h"
#include "support/journal_lines.h"
#include "support/loopback_port.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::FirebirdServer;
using test::MonitorHarness;
using test::ProcessEnded;
using test::RefusingPort;

// A monitor whose database a private server serves, with one sales report published into a folder.
struct ServedInstallation {
    ServedInstallation() {
        h.erp.writeServerIni(server.hostText(), h.erp.dataFolderText(), h.erp.databaseFile().filename().string());
        fs::create_directories(published);
        Connection db = connect();
        db.execute("delete from tab_relatorio");
        test::SalesData::addTo(db);
        test::ReportDefinitionBuilder(db, 1, {.name = "Vendas"}).column(1).column(25);
        db.execute("update tab_relatorio set ds_pasta_salvar = " + quotedSql(published.string() + "/") +
                   ", tp_agendamento = 1, ho_publicacao = '08:00', dh_proxima_public = '2099-01-01'"
                   " where id_relatorio = 1");
    }
    Connection connect() const {
        return Connection({server.databaseText(h.erp.databaseFile()), "sysdba", "plorvatec"});
    }
    void makeDue() const { connect().execute("update tab_relatorio set dh_proxima_public = null"); }
    std::vector<test::JournalLine> journal(const std::string& kind) const {
        return test::journalLines(h.erp.dataFolder() / "velmoraMonitorPublicacao.log", kind);
    }

    FirebirdServer server;
    MonitorHarness h;
    fs::path published = h.erp.root() / "Publicadas";
};

// Sites restart their database server for backups and updates: the monitor waits for it, says so once, and
// publishes what became due meanwhile; it never ends for it.
TEST(LostServer, AServerThatGoesAwayIsToldOnceAndWhatBecameDueIsPublishedWhenItIsBack) {
    ServedInstallation s;
    MonitorHarness& h = s.h;
    h.monitor->startUp();
    h.clock.set(makeDateTime(2024, 3, 20, 10, 0));
    h.monitor->cycleTimerFired();  // a sound cycle through the server first

    s.server.kill();
    h.monitor->cycleTimerFired();
    h.monitor->cycleTimerFired();
    EXPECT_EQ(h.process.endCount, 0);
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
    EXPECT_TRUE(h.ui.messageBoxes.empty());
    EXPECT_EQ(h.ui.observationText.rfind("Sem conexão com o banco de dados " + s.server.hostText(), 0), 0u)
        << h.ui.observationText;
    EXPECT_NO_THROW(h.monitor->disconnectWatchFired()) << "the flag is still watched";

    s.server.restart();
    s.makeDue();
    h.monitor->cycleTimerFired();
    EXPECT_TRUE(fs::exists(s.published / "Vendas.xlsx"));
    EXPECT_EQ(h.ui.observationText, "");

    h.monitor.reset();
    const auto messages = s.journal("MENSAGEM");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].result, "FALHA");
    EXPECT_EQ(messages[0].detail.rfind("conexão com o servidor perdida: ", 0), 0u) << messages[0].detail;
    EXPECT_EQ(messages[1].result, "OK");
    EXPECT_EQ(messages[1].detail, "conexão com o banco de dados restabelecida");
    const auto publications = s.journal("PUBLICACAO");
    ASSERT_EQ(publications.size(), 1u);
    EXPECT_EQ(publications[0].result, "OK");
}

// A restart between two cycles shows only when the old attachment is used: the cycle attaches again at once.
// One in the middle of a pass leaves no half-built workbook and the report due.
TEST(LostServer, ARestartBetweenCyclesOrDuringAPassCostsNoPublication) {
    ServedInstallation s;
    MonitorHarness& h = s.h;
    h.monitor->startUp();
    h.clock.set(makeDateTime(2024, 3, 20, 10, 0));
    h.monitor->cycleTimerFired();

    s.server.restart();
    s.makeDue();
    h.monitor->cycleTimerFired();
    EXPECT_TRUE(fs::exists(s.published / "Vendas.xlsx"));
    fs::remove(s.published / "Vendas.xlsx");

    const fs::path built = h.erp.programFolder() / "Excel" / "Vendas.xlsx";
    const std::string lastBuilt = test::readBytes(built);
    s.makeDue();
    h.ui.onPendingEvents = [&] { s.server.kill(); };  // within the pass, before the report is built
    h.monitor->cycleTimerFired();
    EXPECT_FALSE(fs::exists(s.published / "Vendas.xlsx"));
    EXPECT_EQ(test::readBytes(built), lastBuilt) << "the last whole workbook stays, no placeholder in its place";
    for (const auto& entry : fs::directory_iterator(built.parent_path())) {
        EXPECT_EQ(entry.path().filename(), "Vendas.xlsx") << "left behind: " << entry.path();
    }
    s.server.restart();
    h.monitor->cycleTimerFired();
    EXPECT_TRUE(fs::exists(s.published / "Vendas.xlsx")) << "still due, published once the server is back";

    h.monitor.reset();
    const auto messages = s.journal("MENSAGEM");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].result, "OK");
    EXPECT_EQ(messages[0].detail.rfind("conexão com o banco de dados restabelecida (a anterior fora perdida: ", 0), 0u)
        << messages[0].detail;
    EXPECT_EQ(messages[1].result, "FALHA");
    EXPECT_EQ(messages[2].result, "OK");
    for (const auto& line : s.journal("PUBLICACAO")) {
        EXPECT_EQ(line.result, "OK") << "a lost connection is not the report's failure: " << line.detail;
    }
}

TEST(LostServer, AServerThatIsNotThereAtStartEndsTheStartAsAFailureWithoutItsLock) {
    RefusingPort refusing;
    const int port = refusing.port();
    MonitorHarness h;
    h.erp.writeServerIni("127.0.0.1/" + std::to_string(port), h.erp.dataFolderText(),
                         h.erp.databaseFile().filename().string());

    EXPECT_THROW(h.monitor->startUp(), ProcessEnded);
    EXPECT_FALSE(h.ui.cycleTimer);
    ASSERT_EQ(h.ui.closingNotices.size(), 1u);
    EXPECT_EQ(h.ui.closingNotices[0].first.rfind("Sem conexão com o banco de dados 127.0.0.1/", 0), 0u);
    EXPECT_EQ(h.process.lastExitStatus, kFailedEndStatus);
    EXPECT_FALSE(fs::exists(h.erp.lockFile()));
}

}  // namespace
}  // namespace velmora
