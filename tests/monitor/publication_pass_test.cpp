#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "common/ptbr_format.h"
#include "common/sql_text.h"
#include "common/text_encoding.h"
#include "fixtures/report_definition_builder.h"
#include "fixtures/sales_data_builder.h"
#include "monitor_harness.h"
#include "support/file_bytes.h"
#include "support/ftp_test_server.h"
#include "support/journal_lines.h"
#include "support/small_disk.h"
#include "support/workbook_reader.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ReportDefinitionBuilder;

// A monitor over an installation with sales data of March 2024, and a publication folder of its own.
struct PassFixture : MonitorHarness {
    PassFixture() {
        db = erp.connect();
        db->execute("delete from tab_relatorio");
        test::SalesData::addTo(*db);
        fs::create_directories(published);
        monitor->startUp();
        clock.set(makeDateTime(2024, 3, 20, 10, 0));
        ui.statusHistory.clear();
    }

    // A sales report of one client column and one aggregate, published daily at 08:00 into the folder.
    void addSalesReport(int id, const std::string& name) {
        ReportDefinitionBuilder(*db, id, {.name = name}).column(1).column(25);
        db->execute("update tab_relatorio set ds_pasta_salvar = " + quotedSql(published.string() + "/") +
                    ", tp_agendamento = 1, ho_publicacao = '08:00' where id_relatorio = " + std::to_string(id));
    }
    void set(int id, const std::string& assignments) {
        db->execute("update tab_relatorio set " + assignments + " where id_relatorio = " + std::to_string(id));
    }
    std::string nextPublication(int id) {
        const ResultSet row = db->query("select dh_proxima_public from tab_relatorio where id_relatorio = " +
                                        std::to_string(id));
        return row.field(0, 0).isNull() ? "" : formatDateTime(row.field(0, 0).asDateTime(), "dd/mm/yyyy hh:mm");
    }
    bool wasPublished(int id) {
        return !db->query("select dh_ultima_public from tab_relatorio where id_relatorio = " + std::to_string(id))
                    .field(0, 0)
                    .isNull();
    }

    fs::path journalFile() const { return erp.dataFolder() / "velmoraMonitorPublicacao.log"; }

    std::unique_ptr<Connection> db;
    fs::path published = erp.root() / "Publicadas";
};

TEST(PublicationPass, ANewReportIsBuiltCopiedAndScheduledForTomorrow) {
    PassFixture f;
    f.addSalesReport(1, "Vendas");

    f.monitor->cycleTimerFired();

    EXPECT_TRUE(fs::exists(f.published / "Vendas.xlsx"));
    EXPECT_TRUE(f.wasPublished(1));
    EXPECT_EQ(f.nextPublication(1), "21/03/2024 08:00");
    EXPECT_EQ(f.ui.passStatusHistory(), (std::vector<std::string>{"MONITORANDO", "MONITORANDO", "GERANDO PLANILHA", "DORMINDO"}));
    ASSERT_EQ(f.ui.reports.size(), 1u);
    EXPECT_EQ(f.ui.reports[0].nextPublication, "21/03/2024 08:00");
    EXPECT_TRUE(f.ui.observationHistory.empty());
}

TEST(PublicationPass, AReportIsPublishedOnlyOnceItsTimeHasCome) {
    PassFixture f;
    f.addSalesReport(1, "Vendas");
    f.set(1, "dh_proxima_public = '20.03.2024 10:01:00'");

    f.monitor->cycleTimerFired();
    EXPECT_FALSE(fs::exists(f.published / "Vendas.xlsx"));
    EXPECT_FALSE(f.wasPublished(1));

    f.clock.set(makeDateTime(2024, 3, 20, 10, 1, 30));
    f.monitor->cycleTimerFired();
    EXPECT_TRUE(fs::exists(f.published / "Vendas.xlsx"));
    EXPECT_EQ(f.nextPublication(1), "21/03/2024 08:00");
}

TEST(PublicationPass, AnIncompleteReportIsToldWhatIsMissingAndNeverPublished) {
    const struct {
        const char* change;
        const char* message;
    } cases[] = {
        {"qt_meses_publicacao = null", "Faltou informar a qtde de meses para publicação"},
        {"qt_meses_publicacao = null, tp_publicacao = 2", "Faltou informar a qtde de meses para publicação"},
        {"tp_publicacao = 2, ds_pasta_ftp = '/', ds_servidor_ftp = '127.0.0.1', ds_usuario_ftp = 'u',"
         " ds_senha_ftp = 'p'",
         "Faltou informar os parâmetros para FTP"},  // no port
        {"ds_pasta_salvar = null", "Faltou informar a pasta para salvar o arquivo"},
        {"ds_pasta_salvar = '/nao/existe/'", "Faltou criar a pasta para salvar o arquivo"},
    };
    for (const auto& c : cases) {
        PassFixture f;
        f.addSalesReport(1, "Vendas");
        f.set(1, c.change);

        f.monitor->cycleTimerFired();

        EXPECT_EQ(f.ui.observationHistory, std::vector<std::string>{c.message}) << c.change;
        EXPECT_FALSE(f.wasPublished(1)) << c.change;
        EXPECT_FALSE(fs::exists("/nao/existe"));
    }
}

TEST(PublicationPass, OnlyReportsMarkedActiveWithACapitalSArePublished) {
    PassFixture f;
    f.addSalesReport(1, "Inativo");
    f.addSalesReport(2, "Minusculo");
    f.set(1, "st_ativo = 'N'");
    f.set(2, "st_ativo = 's'");

    f.monitor->cycleTimerFired();

    EXPECT_FALSE(f.wasPublished(1));
    EXPECT_FALSE(f.wasPublished(2));
    EXPECT_TRUE(fs::is_empty(f.published));
}

// An old workbook of the same name must not go out as if it were this run's.
TEST(PublicationPass, AReportWithoutColumnsIsReportedAndStaysDue) {
    PassFixture f;
    f.addSalesReport(1, "Sem Colunas");
    f.db->execute("delete from tab_relatorio_coluna");
    fs::create_directories(f.erp.programFolder() / "Excel");
    std::ofstream(f.erp.programFolder() / "Excel" / "Sem Colunas.xlsx") << "old";

    f.monitor->cycleTimerFired();

    ASSERT_EQ(f.ui.observationHistory.size(), 1u);
    EXPECT_NE(f.ui.observationHistory[0].find("Sem Colunas"), std::string::npos);
    EXPECT_FALSE(fs::exists(f.published / "Sem Colunas.xlsx"));
    EXPECT_FALSE(f.wasPublished(1));
}

// On Windows "Vendas: mensal" would write into a stream of a file "Vendas" and "CON" into the console.
TEST(PublicationPass, AReportNameThatIsNoWindowsFileNameFailsWithItsNameAndWritesNothing) {
    PassFixture f;
    const std::vector<std::string> names = {"CON", "Vendas: mensal", "Vendas?"};
    std::vector<std::string> messages;
    for (std::size_t i = 0; i < names.size(); ++i) {
        f.addSalesReport(static_cast<int>(i) + 1, names[i]);
        messages.push_back("O nome do relatório \"" + names[i] +
                           "\" não pode ser usado como nome do arquivo da planilha.");
    }

    f.monitor->cycleTimerFired();

    EXPECT_EQ(f.ui.observationHistory, messages);
    for (int id = 1; id <= 3; ++id) {
        EXPECT_FALSE(f.wasPublished(id)) << id;
    }
    EXPECT_TRUE(fs::is_empty(f.published));
    EXPECT_TRUE(test::namesIn(f.erp.programFolder() / "Excel").empty());
}

TEST(PublicationPass, ThePriceListGoesOutBesideTheSalesReports) {
    PassFixture f;
    f.addSalesReport(1, "Vendas");
    f.addSalesReport(2, "Tabela de Preços");
    f.set(2, "id_tp_relatorio = 2, qt_meses_publicacao = null");

    f.monitor->cycleTimerFired();

    EXPECT_TRUE(f.ui.observationHistory.empty()) << f.ui.observationHistory.front();
    EXPECT_TRUE(fs::exists(f.published / "Tabela de Preços.xlsx"));
    EXPECT_TRUE(fs::exists(f.published / "Vendas.xlsx"));
}

TEST(PublicationPass, PublicarAgoraPublishesTheSelectedReportWithTheOthersThatAreDue) {
    PassFixture f;
    f.addSalesReport(1, "Agendado");
    f.addSalesReport(2, "Vencido");
    f.set(1, "dh_proxima_public = '01.01.2099 08:00:00'");
    f.set(2, "dh_proxima_public = '01.03.2024 08:00:00'");
    f.clock.set(makeDateTime(2099, 1, 1));  // the server's clock is today's; the workstation's is ahead of it
    f.monitor->windowShown();
    f.ui.selectedId = 1;

    f.monitor->publishNowRequested();

    EXPECT_TRUE(fs::exists(f.published / "Agendado.xlsx"));
    EXPECT_TRUE(fs::exists(f.published / "Vencido.xlsx"));
    EXPECT_TRUE(f.wasPublished(1));
    EXPECT_TRUE(f.wasPublished(2));
}

// What the journal and the grid tell the next morning: one line per attempt, with where the workbook went, its
// size and time, or the server's reason without the password; the grid's last column says the same in short.
TEST(PublicationPass, EveryAttemptIsJournaledAndTheGridShowsItsOutcome) {
    PassFixture f;
    test::FtpTestServer server(test::FtpServerOptions{.password = "s3nh@-Certa"});
    fs::create_directories(server.root() / "publico");
    f.addSalesReport(1, "Vendas");
    f.addSalesReport(2, "Vendas FTP");
    f.set(2, "tp_publicacao = 2, ds_servidor_ftp = '127.0.0.1', no_porta_ftp = " + std::to_string(server.port()) +
                 ", ds_usuario_ftp = 'velmora', ds_senha_ftp = 'senha-errada', ds_pasta_ftp = 'publico'");

    f.monitor->cycleTimerFired();
    f.monitor->journal().flush();

    const auto lines = test::journalLines(f.journalFile(), "PUBLICACAO");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].subject, "Vendas");
    EXPECT_EQ(lines[0].result, "OK");
    const auto size = fs::file_size(f.published / "Vendas.xlsx");
    EXPECT_EQ(lines[0].detail, f.published.string() + "/; " + std::to_string(size) + " bytes; 0 s");
    EXPECT_EQ(lines[1].subject, "Vendas FTP");
    EXPECT_EQ(lines[1].result, "FALHA");
    EXPECT_EQ(lines[1].detail.rfind("ftp://127.0.0.1:" + std::to_string(server.port()) + "/publico: ", 0), 0u)
        << lines[1].detail;
    EXPECT_NE(lines[1].detail.find("530"), std::string::npos) << "the server's own reason: " << lines[1].detail;
    EXPECT_EQ(test::readBytes(f.journalFile()).find("senha-errada"), std::string::npos);

    f.monitor->windowShown();
    ASSERT_EQ(f.ui.reports.size(), 2u);
    EXPECT_EQ(f.ui.reports[0].lastOutcome, "OK");
    EXPECT_EQ(f.ui.reports[1].lastOutcome.rfind("Falhou: ", 0), 0u) << f.ui.reports[1].lastOutcome;
}

// A report that keeps failing is told once by e-mail, to the address of the server INI, until it goes out again.
TEST(PublicationPass, ThreeFailedPassesInARowWriteOneFailureNotice) {
    for (const bool configured : {true, false}) {
        PassFixture f;
        const fs::path email = f.erp.root() / "Email";
        fs::create_directories(email);
        f.db->execute("update or insert into tab_parametro (id_parametro, nm_pasta_email) values (1, " +
                      quotedSql(email.string() + "/") + ") matching (id_parametro)");
        if (configured) {
            test::writeBytes(f.erp.serverIni(), test::readBytes(f.erp.serverIni()) +
                                                     "[Monitor]\r\nEmailFalhas=ti@empresa.com.br\r\n");
        }
        f.addSalesReport(1, "Vendas");
        f.set(1, "ds_pasta_salvar = '/nao/existe/'");
        const auto notices = [&] {
            std::vector<std::string> names;
            for (const auto& name : test::namesIn(email / "Caixa de Saída")) {
                if (name.ends_with(".cfe")) {
                    names.push_back(name);
                }
            }
            return names;
        };

        for (int pass = 1; pass <= 4; ++pass) {
            f.monitor->cycleTimerFired();
            f.clock.advance(std::chrono::minutes(1));
            EXPECT_EQ(notices().size(), configured && pass >= 3 ? 1u : 0u) << "pass " << pass;
        }
        if (!configured) {
            continue;
        }
        const std::string control = windows1252ToUtf8(test::readBytes(email / "Caixa de Saída" / notices()[0]));
        EXPECT_NE(control.find("De: ti@empresa.com.br\r\nPara: ti@empresa.com.br\r\n"
                               "Assunto: Monitor de Publicação: falha em Vendas\r\n"),
                  std::string::npos)
            << control;

        // Published again, the report starts over: three more failures make a second notice.
        f.set(1, "ds_pasta_salvar = " + quotedSql(f.published.string() + "/") + ", dh_proxima_public = null");
        f.monitor->cycleTimerFired();
        f.set(1, "ds_pasta_salvar = '/nao/existe/'");
        for (int pass = 1; pass <= 3; ++pass) {
            f.clock.advance(std::chrono::minutes(1));
            f.monitor->cycleTimerFired();
        }
        EXPECT_EQ(notices().size(), 2u);
    }
}

// Without the ERP's e-mail folder the notice is written nowhere (not into the folder the monitor runs in); the
// journal says why.
TEST(PublicationPass, WithoutAnEmailFolderTheFailureNoticeIsOnlyJournaled) {
    PassFixture f;
    f.db->execute("update or insert into tab_parametro (id_parametro, nm_pasta_email) values (1, null)"
                  " matching (id_parametro)");
    test::writeBytes(f.erp.serverIni(),
                     test::readBytes(f.erp.serverIni()) + "[Monitor]\r\nEmailFalhas=ti@empresa.com.br\r\n");
    f.addSalesReport(1, "Vendas");
    f.set(1, "ds_pasta_salvar = '/nao/existe/'");

    for (int pass = 1; pass <= 3; ++pass) {
        f.monitor->cycleTimerFired();
    }
    f.monitor->journal().flush();

    EXPECT_FALSE(fs::exists("Caixa de Saída"));
    const auto messages = test::journalLines(f.journalFile(), "MENSAGEM");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].result, "FALHA");
    EXPECT_NE(messages[0].detail.find("NM_PASTA_EMAIL"), std::string::npos) << messages[0].detail;
}

// The journal is a help, not a duty: a journal that cannot be written is said once and the cycles go on.
TEST(PublicationPass, AJournalThatCannotBeWrittenForMinutesIsToldOnceAndTheCyclesGoOn) {
    MonitorHarness h;
    fs::create_directory(h.erp.dataFolder() / "velmoraMonitorPublicacao.log");  // a folder where the file should be
    h.monitor->startUp();
    h.monitor->journal().flush();
    const auto told = [&h] {
        return std::count_if(h.ui.observationHistory.begin(), h.ui.observationHistory.end(),
                             [](const std::string& text) { return text.find("diário") != std::string::npos; });
    };

    for (int minute = 1; minute <= 8; ++minute) {
        h.clock.advance(std::chrono::minutes(1));
        h.monitor->cycleTimerFired();
        h.monitor->journal().flush();
        if (minute < 5) {
            EXPECT_EQ(told(), 0) << "a failure of a few minutes is not told, minute " << minute;
        }
    }

    EXPECT_EQ(h.ui.statusWord, "DORMINDO");
    EXPECT_EQ(told(), 1) << ::testing::PrintToString(h.ui.observationHistory);
}

// The program folder's "Excel" on a disk that fills up: nothing cut goes out, the journal says why, both reports
// stay due and go out whole once there is room again.
TEST(PublicationPass, AFullDiskPublishesNothingAndTheReportsGoOutOnceThereIsRoom) {
    PassFixture f;
    test::SmallDisk disk(f.erp.programFolder() / "Excel", 2 * 1024 * 1024);
    if (disk.skipReason()) {
        GTEST_SKIP() << *disk.skipReason();
    }
    f.addSalesReport(1, "Vendas");
    f.addSalesReport(2, "Tabela de Preços");
    f.set(2, "id_tp_relatorio = 2, qt_meses_publicacao = null");
    f.monitor->cycleTimerFired();
    const std::string sales = test::readBytes(f.published / "Vendas.xlsx");
    const std::string prices = test::readBytes(f.published / "Tabela de Preços.xlsx");

    for (const std::uint64_t free : {std::uint64_t{0}, std::uint64_t{8 * 1024}}) {
        SCOPED_TRACE(free);
        f.set(1, "dh_proxima_public = '20.03.2024 09:00:00'");
        f.set(2, "dh_proxima_public = '20.03.2024 09:00:00'");
        disk.fillLeaving(free);
        f.monitor->cycleTimerFired();
        f.monitor->journal().flush();

        // The same failure again is not journaled again.
        const auto lines = test::journalLines(f.journalFile(), "PUBLICACAO");
        ASSERT_EQ(lines.size(), 4u);
        for (std::size_t i = 2; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].result, "FALHA") << lines[i].subject;
            EXPECT_NE(lines[i].detail.find("não há espaço livre no disco"), std::string::npos) << lines[i].detail;
        }
        EXPECT_EQ(f.nextPublication(1), "20/03/2024 09:00") << "stays due";
        EXPECT_EQ(f.nextPublication(2), "20/03/2024 09:00") << "stays due";
        EXPECT_TRUE(test::readBytes(f.published / "Vendas.xlsx") == sales);
        EXPECT_TRUE(test::readBytes(f.published / "Tabela de Preços.xlsx") == prices);
        EXPECT_EQ(test::namesIn(disk.folder()),
                  (std::vector<std::string>{".filler", "Tabela de Preços.xlsx", "Vendas.xlsx"}));
        EXPECT_EQ(disk.openDescriptors(), 0);
    }

    disk.removeFiller();
    f.monitor->cycleTimerFired();
    EXPECT_EQ(f.nextPublication(1), "21/03/2024 08:00");
    EXPECT_EQ(f.nextPublication(2), "21/03/2024 08:00");
    EXPECT_EQ(test::readWorkbook(f.published / "Tabela de Preços.xlsx").cells.empty(), false);
}

}  // namespace
}  // namespace velmora
