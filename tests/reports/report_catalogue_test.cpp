#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "common/connection.h"
#include "fixtures/report_definition_builder.h"
#include "fixtures/sales_data_builder.h"
#include "reports/sales_report_engine.h"
#include "support/erp_installation.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

using test::clientFilter;
using test::ErpInstallation;
using test::operationFilter;
using test::productFilter;
using test::ReportDefinitionBuilder;
using test::SalesData;
using test::sellerFilter;

class ReportCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { SalesData::addTo(*db); }

    ResultSet run(int reportId) {
        const auto statement =
            engine.assembleStatement(reportId, SalesData::kCompany, makeDateTime(2024, 3, 1),
                                     makeDateTime(2024, 3, 31), *db);
        if (!statement) {
            throw std::runtime_error("no statement");
        }
        return db->query(*statement);
    }

    ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
    SalesReportEngine engine;
};

// Every id the engine's joins and grouping know of.
const std::set<int> kKnownFieldIds = {
    1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,  25,  26,  27,
    28,  29,  30,  31,  32,  33,  34,  37,  39,  40,  41,  42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  52,
    53,  58,  59,  60,  61,  62,  63,  64,  65,  76,  77,  78,  79,  82,  84,  85,  87,  88,  89,  90,  91,  92,
    93,  94,  95,  96,  97,  98,  99,  100, 101, 102, 103, 106, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126,
    128, 129, 130, 132, 135, 145, 150, 151, 152, 153, 154, 155, 157, 158, 160, 161, 162, 163, 164, 165, 166, 167,
    168, 169, 170, 171, 174};

TEST_F(ReportCatalogueTest, EveryFieldAloneGivesAStatementThatRuns) {
    const ResultSet fields =
        db->query("select id_relatorio_campo, id_relatorio_tabela from fix_relatorio_campo order by 1");
    std::set<int> catalogued;
    for (std::size_t row = 0; row < fields.rowCount(); ++row) {
        const int fieldId = static_cast<int>(fields.field(row, "id_relatorio_campo").asInteger());
        catalogued.insert(fieldId);
        SCOPED_TRACE("field " + std::to_string(fieldId));
        // Sorting by the field itself also checks that the expression survives losing its alias.
        ReportDefinitionBuilder(*db, 1000 + fieldId).column(fieldId).sortKey(fieldId, true);
        try {
            const ResultSet result = run(1000 + fieldId);
            EXPECT_EQ(result.columnCount(), 1u);
            EXPECT_GE(result.rowCount(), 1u);
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what() << "\n" << engine.statement();
        }
        const bool itemLevel = engine.statement().find(" From  mov_nf_comercio_item mci ") != std::string::npos;
        EXPECT_EQ(itemLevel, fields.field(row, "id_relatorio_tabela").asInteger() == 2);
    }
    for (const int fieldId : kKnownFieldIds) {
        EXPECT_TRUE(catalogued.contains(fieldId)) << "field " << fieldId << " is missing from the catalogue";
    }
}

struct FilterCase {
    int filterId;
    std::string option;  // id_opcao_filtro, st_disponivel_venda or sg_estado by the filter's kind
    std::size_t documents;
};

TEST_F(ReportCatalogueTest, EveryFilterKindAloneGivesAStatementThatRunsAndFilters) {
    const std::vector<FilterCase> cases = {
        {clientFilter(0), "1", 2},    {clientFilter(0), "2", 1},    {clientFilter(1), "7", 1},
        {clientFilter(2), "1", 1},    {clientFilter(3), "1", 1},    {clientFilter(4), "1", 1},
        {clientFilter(5), "", 1},     {clientFilter(6), "1", 1},    {clientFilter(6), "2", 1},
        {clientFilter(7), "SP", 1},   {clientFilter(7), "RJ", 1},   {clientFilter(8), "1", 1},
        {clientFilter(9), "100", 1},  {productFilter(0), "300", 2}, {productFilter(1), "1", 2},
        {productFilter(2), "1", 2},   {productFilter(3), "2", 2},   {productFilter(4), "1", 2},
        {productFilter(5), "S", 1},   {productFilter(5), "N", 2},   {productFilter(6), "500", 1},
        {sellerFilter(0), "SP", 1},   {sellerFilter(1), "1", 1},    {sellerFilter(2), "202", 2},
        {sellerFilter(3), "1", 1},    {sellerFilter(4), "201", 2},  {operationFilter(0), "1", 1},
        {operationFilter(1), "5", 1}, {operationFilter(2), "2", 2}, {operationFilter(3), "2", 1},
    };
    const ResultSet kinds = db->query("select id_relatorio_filtro from fix_relatorio_filtro");
    std::set<int> covered;
    int reportId = 2000;
    for (const FilterCase& c : cases) {
        SCOPED_TRACE("filter " + std::to_string(c.filterId) + " value " + c.option);
        covered.insert(c.filterId);
        ReportDefinitionBuilder report(*db, ++reportId);
        report.column(20);
        if (c.filterId == clientFilter(5)) {
            report.dateFilter(c.filterId, makeDateTime(2020, 1, 1), makeDateTime(2020, 12, 31));
        } else if (c.filterId == productFilter(5)) {
            report.saleFilter(c.filterId, c.option);
        } else if (c.filterId == clientFilter(7) || c.filterId == sellerFilter(0)) {
            report.stateFilter(c.filterId, c.option);
        } else {
            report.filter(c.filterId, c.option);
        }
        try {
            EXPECT_EQ(run(reportId).rowCount(), c.documents);
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what() << "\n" << engine.statement();
        }
    }
    EXPECT_EQ(covered.size(), kinds.rowCount()) << "every catalogue filter has a case";
}

TEST_F(ReportCatalogueTest, OnlySoldDocumentsOfTheRangeAndCompanyCount) {
    ReportDefinitionBuilder(*db, 1).column(20).column(40).column(130).sortKey(20);
    const ResultSet rows = run(1);
    ASSERT_EQ(rows.rowCount(), 2u);
    EXPECT_EQ(rows.field(0, "NO_NOTA").asInteger(), 4521);
    EXPECT_EQ(rows.field(0, "VL_TOTAL_NF").asScaled().rescaled(2), 60100);
    EXPECT_EQ(rows.field(0, "NO_VOLUMES").asInteger(), 3);
    EXPECT_EQ(rows.field(1, "NO_NOTA").asInteger(), 4522);

    const auto otherCompany =
        engine.assembleStatement(1, 2, makeDateTime(2024, 3, 1), makeDateTime(2024, 3, 31), *db);
    EXPECT_TRUE(db->query(*otherCompany).empty());
}

TEST_F(ReportCatalogueTest, ItemLevelAggregatesSumTheItems) {
    ReportDefinitionBuilder(*db, 1).column(27).column(37).column(39).column(151).sortKey(27);
    const ResultSet rows = run(1);
    ASSERT_EQ(rows.rowCount(), 2u);
    EXPECT_EQ(rows.field(0, "NM_PRODUTO").asString(), "Martelo de unha 27 mm");
    EXPECT_EQ(rows.field(0, "QTDE_VENDA").asScaled().rescaled(0), 10);
    EXPECT_EQ(rows.field(1, "VL_TOTAL_VENDIDO").asScaled().rescaled(2), 19500);
    EXPECT_EQ(rows.field(1, "VL_UNITARIO").asScaled().rescaled(2), 3900);
}

#ifndef _WIN32  // the demo database is built by a Linux script
// The demo's report definitions find sales in the demo's data, over the months each report publishes.
TEST(DemoReportsTest, ReturnRowsOnTheDemoData) {
    const ScratchFolder folder;
    const std::string fixtures = VELMORA_FIXTURES_DIR;
    const std::string database = (folder.path() / "demo.fdb").string();
    const std::string command = fixtures + "/create-database " + database + " " + fixtures +
                                "/report_catalogue.sql " + fixtures + "/sample_data.sql " + fixtures +
                                "/sample_reports.sql";
    ASSERT_EQ(std::system(command.c_str()), 0);
    Connection db(ConnectionSettings{database, "sysdba", "plorvatec"});
    SalesReportEngine engine;
    const DateTime today = localDateTime(std::chrono::system_clock::now());
    for (const auto& [reportId, months] : {std::pair{1, 6}, std::pair{3, 12}, std::pair{5, 1}}) {
        SCOPED_TRACE("report " + std::to_string(reportId));
        const ResultSet report = db.query("select id_empresa from tab_relatorio where id_relatorio = " +
                                          std::to_string(reportId));
        const auto statement = engine.assembleStatement(
            reportId, static_cast<int>(report.field(0, "id_empresa").asInteger()),
            atMidnight(dateOf(today) - std::chrono::days{31 * months}), today, db);
        ASSERT_TRUE(statement);
        EXPECT_GE(db.query(*statement).rowCount(), 2u) << *statement;
    }
}
#endif

}  // namespace
}  // namespace velmora
