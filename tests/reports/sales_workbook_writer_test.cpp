#include "reports/sales_workbook_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/database_error.h"
#include "reports/interactive_session.h"
#include "reports/report_errors.h"
#include "reports/workbook.h"
#include "support/erp_installation.h"
#include "support/recording_interactive_session.h"
#include "support/workbook_reader.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::readWorkbook;
using test::RecordingSession;
using test::WorkbookReadBack;

constexpr int kReport = 7;
const std::string kName = "Vendas do Mês";
const std::string kInUse = "Esta planilha está em uso e não pode ser regravada. Feche a planilha e tente novamente.";

// One field of each kind the cell rule knows, under the names it looks for.
const char* const kEveryKind =
    "select nome as NM_CLIENTE, qt as QT_PRODUTO, vl as VL_UNITARIO, vl as \"vl_unitario\", vl as VL_TOTAL,"
    " icms as PO_ALIQ_ICMS, peso as \"peso_bruto\", volumes as \"no_volumes\", doc as NO_DOCUMENTO, tipo as TP_ITEM,"
    " dia as DT_EMISSAO, momento as DH_EMISSAO, grande as ID_GRANDE, hora as HO_EMISSAO,"
    " avaliacao as QTDE_VENDA_AVALIACAO_GERAL, participacao as PARTICIPACAO"
    " from t_venda order by doc";

class SalesWorkbookWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        db->execute(
            "create table t_venda (nome varchar(40), qt numeric(15,4), vl numeric(15,4), icms numeric(9,2),"
            " peso double precision, volumes integer, doc integer, tipo smallint, dia date, momento timestamp,"
            " grande bigint, hora time, avaliacao numeric(15,4), participacao numeric(15,4))");
        // The ERP keeps its masks with the separators swapped.
        db->execute(
            "insert into tab_parametro (id_parametro, fm_mascara_quantidade, fm_mascara_valor)"
            " values (1, '#,##0.000', '#,##0.00##')");
        db->execute("insert into tab_relatorio (id_relatorio, nm_relatorio) values (7, 'Vendas do Mês')");
    }

    void addSales(int count) {
        for (int doc = 1; doc <= count; ++doc) {
            db->execute("insert into t_venda (nome, qt, volumes, doc, tipo) values ('Cliente " + std::to_string(doc) +
                        "', " + std::to_string(doc) + ".5, " + std::to_string(doc) + ", " + std::to_string(100 + doc) +
                        ", 1)");
        }
    }

    // Field ids far above the catalogue's.
    void addColumn(int number, int field, const char* legend) {
        field += 9000;
        if (legend != nullptr) {
            db->execute("insert into fix_relatorio_campo (id_relatorio_campo, nm_campo_tabela, ds_legenda_coluna) values (" +
                        std::to_string(field) + ", 'x', '" + legend + "')");
        }
        db->execute("insert into tab_relatorio_coluna (id_relatorio, id_relatorio_campo, no_coluna) values (7, " +
                    std::to_string(field) + ", " + std::to_string(number) + ")");
    }

    fs::path file() const { return workbookPath(erp.programFolder(), kName); }

    WorkbookReadBack run(const std::string& statement, InteractiveSession* interactive = nullptr) {
        writeSalesReportWorkbook(kReport, kName, statement, *db, erp.programFolder(), interactive);
        return readWorkbook(file());
    }

    test::ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
};

TEST(swapSeparators, SwapsCommasAndFullStopsOnly) {
    EXPECT_EQ(swapSeparators("#,##0.00"), "#.##0,00");
    EXPECT_EQ(swapSeparators("R$ #.##0,00;(R$ #.##0,00)"), "R$ #,##0.00;(R$ #,##0.00)");
    EXPECT_EQ(swapSeparators("0%"), "0%");
    EXPECT_EQ(swapSeparators(""), "");
}

TEST(WorkbookLocation, IsTheExcelFolderBesideTheProgram) {
    EXPECT_EQ(workbookFolder("/opt/erp"), fs::path("/opt/erp/Excel"));
    EXPECT_EQ(workbookPath("/opt/erp", "Vendas do Mês"), fs::path("/opt/erp/Excel/Vendas do Mês.xlsx"));
    EXPECT_EQ(workbookPath("/opt/erp", "..Vendas"), fs::path("/opt/erp/Excel/..Vendas.xlsx"));
    EXPECT_NO_THROW(workbookPath("/opt/erp", std::string(250, 'x')));
}

TEST_F(SalesWorkbookWriterTest, WritesEachFieldByItsCellRule) {
    addColumn(2, 11, "Quantidade");
    addColumn(1, 10, "Cliente");
    addColumn(3, 12, nullptr);  // a field missing from the catalogue
    db->execute(
        "insert into t_venda values ('Cliente Á', 12.5, 1234.5678, 18, 2.5, 3, 1001, 3, '08.12.2026',"
        " '08.12.2026 14:30:00', 9000000000, '08:05:09', 0.125, 45.5)");
    db->execute("insert into t_venda (doc) values (1002)");
    fs::create_directories(workbookFolder(erp.programFolder()));
    {
        Workbook old;
        old.saveAs(file());
        old.setText(9, 9, "planilha anterior");
        old.save();
    }

    const WorkbookReadBack back = run(kEveryKind);

    EXPECT_EQ(back.at("A1").value, "Cliente");
    EXPECT_TRUE(back.at("A1").bold);
    EXPECT_EQ(back.at("B1").value, "Quantidade");
    EXPECT_TRUE(back.at("B1").bold);
    EXPECT_EQ(back.at("C1").valueType, "NoneType");
    EXPECT_TRUE(back.at("C1").bold);
    EXPECT_FALSE(back.has("I9")) << "the old workbook was replaced";

    const struct {
        const char* cell;
        const char* valueType;
        const char* value;
        const char* numberFormat;
    } expected[] = {
        {"A2", "str", "Cliente Á", "@"},
        {"B2", "float", "12.5", "#,##0.000"},
        {"C2", "float", "1234.5678", "#,##0.00##"},
        {"D2", "float", "1234.5678", "\"R$\" #,##0.00"},  // quoted lower-case alias: no exact match
        {"E2", "float", "1234.5678", "\"R$\" #,##0.00"},
        {"F2", "float", "0.18", "##0.00%"},
        {"G2", "float", "2.5", "###,##0.000"},  // upper-case match
        {"H2", "int", "3", "General"},
        {"I2", "int", "1001", "General"},
        {"J2", "str", "3", "@"},
        {"K2", "datetime", "2026-12-08 00:00:00", "dd/mm/yyyy"},
        {"L2", "datetime", "2026-12-08 14:30:00", "dd/mm/yyyy hh:mm"},
        {"M2", "int", "9000000000", "General"},
        {"N2", "str", "08:05:09", "@"},
        {"O2", "float", "0.125", "##0.0%"},
        {"P2", "float", "45.5", "###,##0.00"},
        // A row of nulls: numbers 0, texts the apostrophe alone, dates nothing.
        {"A3", "NoneType", "", "@"},
        {"B3", "int", "0", "#,##0.000"},
        {"D3", "int", "0", "\"R$\" #,##0.00"},
        {"F3", "int", "0", "##0.00%"},
        {"H3", "int", "0", "General"},
        {"J3", "NoneType", "", "@"},
        {"N3", "NoneType", "", "@"},
    };
    for (const auto& e : expected) {
        ASSERT_TRUE(back.has(e.cell)) << e.cell;
        EXPECT_EQ(back.at(e.cell).valueType, e.valueType) << e.cell;
        EXPECT_EQ(back.at(e.cell).value, e.value) << e.cell;
        EXPECT_EQ(back.at(e.cell).numberFormat, e.numberFormat) << e.cell;
        EXPECT_FALSE(back.at(e.cell).bold) << e.cell;
    }
    EXPECT_FALSE(back.has("K3"));
    EXPECT_FALSE(back.has("L3"));

    // Totals: every decimal column and no_volumes; not codes, small integers, dates or texts.
    EXPECT_EQ(back.at("A4").value, "TOTAL:");
    EXPECT_TRUE(back.at("A4").bold);
    for (const char* column : {"B", "C", "D", "E", "F", "G", "H", "O", "P"}) {
        const std::string cell = std::string(column) + "4";
        ASSERT_TRUE(back.has(cell)) << cell;
        EXPECT_EQ(back.at(cell).value, "=SUM(" + std::string(column) + "2:" + column + "3)");
        EXPECT_TRUE(back.at(cell).bold) << cell;
    }
    EXPECT_EQ(back.at("F4").cached, "0.18");
    for (const char* cell : {"I4", "J4", "K4", "L4", "M4", "N4"}) {
        EXPECT_FALSE(back.has(cell)) << cell;
    }
    EXPECT_EQ(back.maxRow, 4);
    for (const char* column : {"A", "B", "K", "L", "P"}) {
        EXPECT_EQ(back.widths.count(column), 1u) << column;
    }
}

TEST_F(SalesWorkbookWriterTest, TotalsRowFollowsTheLastDataRow) {
    addSales(10);
    const char* statement =
        "select qt as QT_PRODUTO, volumes as NO_VOLUMES, doc as NO_DOCUMENTO, tipo as TP_ITEM from t_venda order by doc";

    const WorkbookReadBack back = run(statement);

    EXPECT_EQ(back.maxRow, 12);
    EXPECT_EQ(back.at("A12").value, "=SUM(A2:A11)") << "a summable first column holds its sum, not TOTAL:";
    EXPECT_EQ(back.at("A12").cached, "60");
    EXPECT_TRUE(back.at("A12").bold);
    EXPECT_EQ(back.at("B12").value, "=SUM(B2:B11)");
    EXPECT_EQ(back.at("B12").cached, "55");
    EXPECT_FALSE(back.has("C12"));
    EXPECT_FALSE(back.has("D12"));
    EXPECT_EQ(back.at("D5").value, "1");
    EXPECT_EQ(back.at("D5").valueType, "str");
}

TEST_F(SalesWorkbookWriterTest, NoTotalsRowWhenTheReportSwitchesItOff) {
    db->execute("update tab_relatorio set st_nao_totalizar = 'S' where id_relatorio = 7");
    addSales(3);

    const WorkbookReadBack back = run("select nome as NM_CLIENTE, qt as QT_PRODUTO from t_venda order by doc");

    EXPECT_EQ(back.maxRow, 4);
    for (const auto& [coordinate, cell] : back.cells) {
        EXPECT_NE(cell.value, "TOTAL:") << coordinate;
        EXPECT_NE(cell.dataType, "f") << coordinate;
    }
}

TEST_F(SalesWorkbookWriterTest, AnEmptyResultGivesTheHeaderAndZeroTotals) {
    addColumn(1, 10, "Primeira");
    addColumn(2, 11, "Segunda");
    const struct {
        const char* statement;
        const char* a2;
        const char* a2Type;
    } cases[] = {
        {"select nome as NM_CLIENTE, qt as QT_PRODUTO, doc as NO_DOCUMENTO from t_venda", "TOTAL:", "str"},
        {"select qt as NM_CLIENTE, qt as QT_PRODUTO, doc as NO_DOCUMENTO from t_venda", "0", "int"},
    };
    for (const auto& c : cases) {
        const WorkbookReadBack back = run(c.statement);
        EXPECT_EQ(back.maxRow, 2) << c.statement;
        EXPECT_EQ(back.at("A1").value, "Primeira");
        EXPECT_EQ(back.at("A2").value, c.a2) << c.statement;
        EXPECT_EQ(back.at("A2").valueType, c.a2Type) << c.statement;
        EXPECT_TRUE(back.at("A2").bold);
        EXPECT_EQ(back.at("B2").value, "0") << c.statement;
        EXPECT_EQ(back.at("B2").valueType, "int");
        EXPECT_TRUE(back.at("B2").bold);
        EXPECT_FALSE(back.has("C2"));
    }
}

TEST_F(SalesWorkbookWriterTest, InteractiveRunShowsProgressAndOpensTheWorkbook) {
    addSales(4);
    RecordingSession session;

    run("select nome as NM_CLIENTE from t_venda", &session);

    EXPECT_EQ(session.progress.calls,
              std::vector<std::string>{"iniciar Aguarde ...|Gerando a planilha... ...|Aguarde o processamento...|0|4"});
    EXPECT_EQ(session.progress.advances, 4);
    EXPECT_TRUE(session.messages.empty());
    EXPECT_EQ(session.opened, std::vector<fs::path>{file()});
}

TEST_F(SalesWorkbookWriterTest, InteractiveRunWithoutRowsTellsThePersonAndStops) {
    RecordingSession session;

    EXPECT_THROW(writeSalesReportWorkbook(kReport, kName, "select nome from t_venda", *db, erp.programFolder(), &session),
                 SilentAbort);

    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].first, "Não foi encontrado nenhum registro para geração do arquivo.");
    EXPECT_EQ(session.messages[0].second, ReportMessageIcon::Exclamation);
    EXPECT_TRUE(session.opened.empty());
    EXPECT_TRUE(session.progress.calls.empty());
}

TEST_F(SalesWorkbookWriterTest, AFolderOrFileInTheWayIsReportedAtOnce) {
    const fs::path folder = workbookFolder(erp.programFolder());
    {
        std::ofstream blocker(folder);  // a file where the folder belongs
    }
    try {
        run("select nome from t_venda");
        ADD_FAILURE() << "the run succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Não pode ser Criado o Diretório " + folder.string());
    }

    RecordingSession session;
    EXPECT_THROW(run("select nome from t_venda", &session), SilentAbort);
    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].first, kInUse);
    EXPECT_EQ(session.messages[0].second, ReportMessageIcon::Error);

    fs::remove(folder);
    fs::create_directories(file());  // a folder where the workbook belongs cannot be replaced
    try {
        run("select nome from t_venda");
        ADD_FAILURE() << "the run succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), kInUse);
    }
}

// Unattended, the rows are written batch by batch as they are fetched; the workbook is the one a watched run writes
// from the whole result, cell by cell, totals and widths included.
TEST_F(SalesWorkbookWriterTest, RowsWrittenAsTheyAreFetchedMakeTheSameWorkbook) {
    db->execute("execute block as declare i integer = 1; begin while (i <= 4500) do begin"
                " insert into t_venda (nome, qt, vl, doc, dia) values ('Cliente ' || :i, :i / 7.0, :i * 1.25, :i,"
                " dateadd(:i day to date '2024-01-01')); i = i + 1; end end");
    addColumn(1, 1, "Cliente");
    addColumn(2, 2, "Quantidade");
    addColumn(3, 3, "Valor");
    const std::string statement =
        "select nome as NM_CLIENTE, qt as QT_PRODUTO, vl as VL_TOTAL, dia as DT_EMISSAO from t_venda order by doc";
    const auto shown = [](const WorkbookReadBack& back) {
        std::vector<std::string> lines{back.sheetTitle + " " + std::to_string(back.maxRow)};
        for (const auto& [where, cell] : back.cells) {
            lines.push_back(where + " " + cell.dataType + " " + cell.numberFormat + " " + (cell.bold ? "b " : "") +
                            cell.value + " " + cell.cached);
        }
        for (const auto& [column, width] : back.widths) {
            lines.push_back(column + " " + std::to_string(width));
        }
        return lines;
    };

    const auto streamed = shown(run(statement));
    RecordingSession session;
    const auto whole = shown(run(statement, &session));

    EXPECT_EQ(streamed, whole);
    EXPECT_EQ(readWorkbook(file()).maxRow, 4502);
}

// A database error in the middle of the fetch, after rows were already written, leaves the previous workbook.
TEST_F(SalesWorkbookWriterTest, AnErrorInTheMiddleOfTheFetchKeepsThePreviousWorkbook) {
    addSales(2);
    run("select nome as NM_CLIENTE from t_venda order by doc");
    db->execute("execute block as declare i integer = 3; begin while (i <= 4500) do begin"
                " insert into t_venda (nome, doc) values ('Cliente ' || :i, :i); i = i + 1; end end");

    try {
        writeSalesReportWorkbook(kReport, kName,
                                 "select nome as NM_CLIENTE, 1 / (doc - 4000) as VL_TOTAL from t_venda order by doc", *db,
                                 erp.programFolder(), nullptr);
        ADD_FAILURE() << "the run succeeded";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("divide by zero"), std::string::npos) << error.what();
    }

    const WorkbookReadBack back = readWorkbook(file());
    EXPECT_EQ(back.maxRow, 4);
    EXPECT_EQ(back.at("A3").value, "Cliente 2");
}

TEST_F(SalesWorkbookWriterTest, AFailedRunKeepsThePreviousWorkbook) {
    addSales(2);
    run("select nome as NM_CLIENTE from t_venda order by doc");

    EXPECT_ANY_THROW(writeSalesReportWorkbook(kReport, kName, "select nome, from t_venda", *db, erp.programFolder(), nullptr));

    const WorkbookReadBack back = readWorkbook(file());
    EXPECT_EQ(back.at("A2").value, "Cliente 1");
    EXPECT_EQ(back.at("A3").value, "Cliente 2");
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(workbookFolder(erp.programFolder()))) {
        files.push_back(entry.path());
    }
    EXPECT_EQ(files, std::vector<fs::path>{file()}) << "no temporary file is left behind";
}

TEST_F(SalesWorkbookWriterTest, AReportNameThatIsNoFileNameFailsTheRun) {
    const std::string tooLong(251, 'x');  // with ".xlsx", one byte more than a file name holds
    for (const std::string& name : {std::string(), std::string("."), std::string(".."), std::string("Vendas/Norte"),
                                    std::string("..\\Vendas"), std::string("Vendas\tNorte"), tooLong}) {
        EXPECT_THROW(writeSalesReportWorkbook(kReport, name, "select nome from t_venda", *db, erp.programFolder(), nullptr),
                     ReportDefinitionError)
            << name;
        EXPECT_THROW(workbookPath(erp.programFolder(), name), ReportDefinitionError) << name;
    }
    EXPECT_FALSE(fs::exists(workbookFolder(erp.programFolder())));
}

}  // namespace
}  // namespace velmora
