#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/ptbr_format.h"
#include "common/sql_text.h"
#include "fixtures/report_definition_builder.h"
#include "fixtures/sales_data_builder.h"
#include "monitor_harness.h"

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
        monitor->FormCreate();
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

    std::unique_ptr<Connection> db;
    fs::path published = erp.root() / "Publicadas";
};

TEST(PublicationPass, ANewReportIsBuiltCopiedAndScheduledForTomorrow) {
    PassFixture f;
    f.addSalesReport(1, "Vendas");

    f.monitor->Timer1Timer();

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

    f.monitor->Timer1Timer();
    EXPECT_FALSE(fs::exists(f.published / "Vendas.xlsx"));
    EXPECT_FALSE(f.wasPublished(1));

    f.clock.set(makeDateTime(2024, 3, 20, 10, 1, 30));
    f.monitor->Timer1Timer();
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

        f.monitor->Timer1Timer();

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

    f.monitor->Timer1Timer();

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

    f.monitor->Timer1Timer();

    ASSERT_EQ(f.ui.observationHistory.size(), 1u);
    EXPECT_NE(f.ui.observationHistory[0].find("Sem Colunas"), std::string::npos);
    EXPECT_FALSE(fs::exists(f.published / "Sem Colunas.xlsx"));
    EXPECT_FALSE(f.wasPublished(1));
}

TEST(PublicationPass, ThePriceListGoesOutBesideTheSalesReports) {
    PassFixture f;
    f.addSalesReport(1, "Vendas");
    f.addSalesReport(2, "Tabela de Preços");
    f.set(2, "id_tp_relatorio = 2, qt_meses_publicacao = null");

    f.monitor->Timer1Timer();

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
    f.monitor->FormShow();
    f.ui.selectedId = 1;

    f.monitor->btnPublicarClick();

    EXPECT_TRUE(fs::exists(f.published / "Agendado.xlsx"));
    EXPECT_TRUE(fs::exists(f.published / "Vencido.xlsx"));
    EXPECT_TRUE(f.wasPublished(1));
    EXPECT_TRUE(f.wasPublished(2));
}

}  // namespace
}  // namespace velmora
