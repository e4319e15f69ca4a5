#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/connection.h"
#include "common/utf8_path.h"
#include "fixtures/report_definition_builder.h"
#include "fixtures/sales_data_builder.h"
#include "reports/interactive_session.h"
#include "reports/report_errors.h"
#include "reports/sales_report_engine.h"
#include "support/erp_installation.h"

namespace velmora {
namespace {

using test::clientFilter;
using test::ErpInstallation;
using test::ReportDefinitionBuilder;
using test::SalesData;

// The window side of an interactive run, written down call by call.
class RecordingSession final : public InteractiveSession, public ProgressWindow {
public:
    ProgressWindow& progressWindow() override { return *this; }
    void showReportMessage(const std::string& text, ReportMessageIcon) override { calls.push_back("mensagem " + text); }
    void openWorkbook(const std::filesystem::path& file) override { calls.push_back("abrir " + file.string()); }

    void openProgress() override { calls.push_back("AbrirProgresso"); }
    void startProgress(const std::string& caption, const std::string& title, const std::string& footer,
                       int minimum, int maximum) override {
        calls.push_back("IniciarProgresso " + caption + "|" + title + "|" + footer + "|" + std::to_string(minimum) +
                        "|" + std::to_string(maximum));
    }
    void advanceProgress() override { calls.push_back("AvancarProgresso"); }
    void closeProgress() override {
        calls.push_back("FecharProgresso");
        if (failToClose) {
            throw std::runtime_error("janela presa");
        }
    }

    std::vector<std::string> calls;
    bool failToClose = false;
};

const std::string kStart =
    "IniciarProgresso Aguarde ...|Obtendo dados do relatório... ...|Aguarde o processamento...|0|7";

class SalesReportRunTest : public ::testing::Test {
protected:
    void SetUp() override { SalesData::addTo(*db); }

    void generate(int reportId, InteractiveSession* interactive) {
        engine.runSalesReport(reportId, SalesData::kCompany, interactive, makeDateTime(2024, 3, 1),
                              makeDateTime(2024, 3, 31), *db, erp.programFolder());
    }
    std::filesystem::path workbook(const std::string& name) const {
        return erp.programFolder() / "Excel" / utf8Path(name + ".xlsx");
    }

    ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
    SalesReportEngine engine;
    RecordingSession session;
};

TEST_F(SalesReportRunTest, AnInteractiveRunShowsSevenStepsAndClosesTheWindowLast) {
    ReportDefinitionBuilder(*db, 1, {.name = "Vendas do Mês"}).column(2).column(40);
    generate(1, &session);
    ASSERT_GE(session.calls.size(), 10u);
    const std::vector<std::string> assembly(session.calls.begin(), session.calls.begin() + 9);
    EXPECT_EQ(assembly, (std::vector<std::string>{"AbrirProgresso", kStart, "AvancarProgresso", "AvancarProgresso",
                                                  "AvancarProgresso", "AvancarProgresso", "AvancarProgresso",
                                                  "AvancarProgresso", "AvancarProgresso"}));
    EXPECT_EQ(session.calls.back(), "FecharProgresso");
    EXPECT_EQ(std::count(session.calls.begin(), session.calls.end(), "FecharProgresso"), 1);
    EXPECT_TRUE(std::filesystem::exists(workbook("Vendas do Mês")));
}

TEST_F(SalesReportRunTest, AnUnattendedRunWritesTheWorkbookOfTheReportsName) {
    ReportDefinitionBuilder(*db, 1, {.name = "Vendas por Cliente"}).column(2).column(40);
    generate(1, nullptr);
    EXPECT_TRUE(std::filesystem::exists(workbook("Vendas por Cliente")));
    EXPECT_NE(engine.statement().find(" and mc.id_empresa = 1 Group by 1"), std::string::npos);
}

TEST_F(SalesReportRunTest, AReportWithoutColumnsDoesNothingAndClosesTheWindow) {
    ReportDefinitionBuilder(*db, 1, {.name = "Sem Colunas"}).filter(clientFilter(1), "7");
    generate(1, &session);
    EXPECT_EQ(session.calls, (std::vector<std::string>{"AbrirProgresso", kStart, "FecharProgresso"}));
    EXPECT_FALSE(std::filesystem::exists(workbook("Sem Colunas")));
    generate(1, nullptr);
    EXPECT_FALSE(std::filesystem::exists(workbook("Sem Colunas")));
}

TEST_F(SalesReportRunTest, AFailingRunStillClosesTheWindow) {
    ReportDefinitionBuilder(*db, 1, {.name = "Quebrado"}).column(20).filter(clientFilter(2), "x");
    EXPECT_THROW(generate(1, &session), ReportDefinitionError);
    EXPECT_EQ(session.calls, (std::vector<std::string>{"AbrirProgresso", kStart, "AvancarProgresso",
                                                       "AvancarProgresso", "FecharProgresso"}));
    EXPECT_FALSE(std::filesystem::exists(workbook("Quebrado")));
}

TEST_F(SalesReportRunTest, AWindowThatWillNotCloseChangesNoOutcome) {
    session.failToClose = true;
    ReportDefinitionBuilder(*db, 1, {.name = "Vendas do Mês"}).column(2).column(40);
    EXPECT_NO_THROW(generate(1, &session));
    EXPECT_TRUE(std::filesystem::exists(workbook("Vendas do Mês")));
    ReportDefinitionBuilder(*db, 2, {.name = "Quebrado"}).column(20).filter(clientFilter(2), "x");
    EXPECT_THROW(generate(2, &session), ReportDefinitionError);
}

}  // namespace
}  // namespace velmora
