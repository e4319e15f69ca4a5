#include <gtest/gtest.h>

#include <string>

#include "common/connection.h"
#include "fixtures/report_definition_builder.h"
#include "reports/report_errors.h"
#include "reports/report_sql_values.h"
#include "reports/sales_report_engine.h"
#include "support/erp_installation.h"

namespace velmora {
namespace {

using test::clientFilter;
using test::ErpInstallation;
using test::operationFilter;
using test::productFilter;
using test::ReportDefinitionBuilder;
using test::sellerFilter;

TEST(ReportSqlValuesTest, WholeNumbersAndPlainIdentifiers) {
    EXPECT_EQ(wholeNumber("120"), 120);
    EXPECT_EQ(wholeNumber(" 007 "), 7);
    EXPECT_EQ(wholeNumber("-3"), -3);
    for (const char* text : {"", " ", "1,5", "1.5", "12a", "+4", "1 2", "1) or (1=1", "99999999999999999999"}) {
        EXPECT_EQ(wholeNumber(text), std::nullopt) << text;
    }
    EXPECT_TRUE(isPlainIdentifier("ST_CLIENTE"));
    EXPECT_TRUE(isPlainIdentifier("st_venda$2"));
    for (const char* name : {"", "1ST", "_ST", "ST CLIENTE", "ST_CLIENTE = 'S' or 1", "\"ST\"", "ST;",
                             "A234567890123456789012345678901X"}) {
        EXPECT_FALSE(isPlainIdentifier(name)) << name;
    }
}

class ReportValuesTest : public ::testing::Test {
protected:
    std::string assemble(int reportId) {
        return engine
            .assembleStatement(reportId, 0, makeDateTime(2024, 3, 1), makeDateTime(2024, 3, 31), *db)
            .value_or("<none>");
    }
    // The message of the definition error that assembling the report raises, or "" without one.
    std::string definitionError(int reportId) {
        try {
            assemble(reportId);
        } catch (const ReportDefinitionError& error) {
            return error.what();
        }
        return "";
    }

    ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
    SalesReportEngine engine;
};

TEST_F(ReportValuesTest, AFilterValueThatIsNoWholeNumberStopsTheRun) {
    int reportId = 10;
    for (const int filterId : {clientFilter(0), clientFilter(2), clientFilter(9), productFilter(0),
                               productFilter(6), sellerFilter(3), sellerFilter(4), operationFilter(1),
                               operationFilter(3)}) {
        SCOPED_TRACE(filterId);
        ReportDefinitionBuilder(*db, ++reportId, {.name = "Vendas Semanais"})
            .column(20)
            .filter(filterId, "1) or (1=1");
        EXPECT_EQ(definitionError(reportId),
                  "O relatório \"Vendas Semanais\" (" + std::to_string(reportId) +
                      ") tem um valor de filtro que não é um código numérico: \"1) or (1=1\".");
    }
    // Even a list that another one overrides must not hold such a value.
    ReportDefinitionBuilder(*db, 1).column(20).filter(clientFilter(9), "120").filter(clientFilter(2), "");
    EXPECT_NE(definitionError(1), "");
    // A report without a name is named by its id.
    ReportDefinitionBuilder(*db, 2, {.name = ""}).column(20).filter(clientFilter(2), "x");
    EXPECT_EQ(definitionError(2), "O relatório 2 tem um valor de filtro que não é um código numérico: \"x\".");
}

TEST_F(ReportValuesTest, WholeNumbersAreWrittenInPlainDecimal) {
    ReportDefinitionBuilder(*db, 1).column(20).filter(clientFilter(2), " 04 ").filter(clientFilter(2), "7");
    EXPECT_NE(assemble(1).find("and cp_cli.id_regiao_venda in(4,7) Group by 1"), std::string::npos);
    // Only the value 1 means active; it is compared, never written.
    ReportDefinitionBuilder(*db, 2).column(20).filter(clientFilter(6), "01").filter(clientFilter(6), "sim");
    EXPECT_NE(assemble(2).find("and ( cp_cli.st_ativo_inativo = 'S' or cp_cli.st_ativo_inativo = 'N')"),
              std::string::npos);
}

TEST_F(ReportValuesTest, CatalogueColumnNamesMustBePlainIdentifiers) {
    db->execute("insert into fix_relatorio_categoria values (90, 'ST_CLIENTE = ''S'' or 1', 'Quebrada')");
    db->execute("insert into fix_relatorio_tp_operacao values (90, 'ST_VENDA;', 'Quebrada')");
    ReportDefinitionBuilder(*db, 1, {.name = "Clientes"}).column(20).filter(clientFilter(0), "90");
    EXPECT_EQ(definitionError(1),
              "O relatório \"Clientes\" (1) usa a categoria de cliente 90, cujo nome de coluna \"ST_CLIENTE = 'S' or "
              "1\" não é um nome de coluna válido.");
    ReportDefinitionBuilder(*db, 2, {.name = "Operações"}).column(20).filter(operationFilter(1), "90");
    EXPECT_EQ(definitionError(2),
              "O relatório \"Operações\" (2) usa o tipo de operação 90, cujo nome de coluna \"ST_VENDA;\" não é um "
              "nome de coluna válido.");
    // Blanks around a name are the catalogue's padding, not part of it.
    db->execute("insert into fix_relatorio_categoria values (91, ' ST_REVENDA ', 'Revenda')");
    ReportDefinitionBuilder(*db, 3).column(20).filter(clientFilter(0), "91");
    EXPECT_NE(assemble(3).find("and (cp_cli.ST_REVENDA = 'S') Group by 1"), std::string::npos);
}

TEST_F(ReportValuesTest, ACategoryOrOperationTypeMissingFromTheCatalogueStopsTheRun) {
    ReportDefinitionBuilder(*db, 1, {.name = "Clientes"}).column(20).filter(clientFilter(0), "99");
    EXPECT_EQ(definitionError(1),
              "O relatório \"Clientes\" (1) usa a categoria de cliente 99, que não existe no catálogo.");
    ReportDefinitionBuilder(*db, 2, {.name = "Operações"}).column(20).filter(operationFilter(1), "98");
    EXPECT_EQ(definitionError(2),
              "O relatório \"Operações\" (2) usa o tipo de operação 98, que não existe no catálogo.");
}

TEST_F(ReportValuesTest, StatesAreQuotedWithTheirQuotesDoubled) {
    ReportDefinitionBuilder(*db, 1)
        .column(20)
        .stateFilter(clientFilter(7), "D'")
        .stateFilter(clientFilter(7), "SP")
        .stateFilter(sellerFilter(0), "'X")
        .stateFilter(sellerFilter(0), "RJ");
    const std::string statement = assemble(1);
    EXPECT_NE(statement.find("and (tc_cli.sg_estado = 'D''' or tc_cli.sg_estado = 'SP') and ( tc_ven.sg_estado "
                             "in( '''X','RJ') ) Group by 1"),
              std::string::npos)
        << statement;
    EXPECT_NO_THROW(db->query(statement));
}

}  // namespace
}  // namespace velmora
