#include "reports/price_list.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "reports/currency_text.h"
#include "reports/interactive_session.h"
#include "reports/report_errors.h"
#include "reports/sales_workbook_writer.h"
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

const std::string kName = "Tabela de Preços";
const std::string kInUse = "Não foi possivel deletar o arquivo Tabela de Preços\nFeche este arquivo caso esteja em uso.";
const std::string kPriceFormat = "R$ #,##0.00;\\(R$ #,##0.00\\)";  // as the file stores it
const std::string kQuantityFormat = "#,##0.000";

class PriceListTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The ERP keeps its masks with the separators swapped.
        db->execute(
            "insert into tab_parametro (id_parametro, fm_mascara_quantidade, fm_mascara_valor)"
            " values (1, '#,##0.000', '#,##0.00')");
        db->execute("insert into cad_pessoa (id_pessoa, nm_pessoa, nm_pesquisa) values (10, 'Fábrica Ltda', 'Fábrica')");
        db->execute("insert into tab_tipo_produto values (20, 'Revenda')");
        db->execute("insert into tab_grupo_produto values (30, 'Fixação')");
        db->execute("insert into tab_atividade values (40, 'Construção')");
    }

    void addProduct(int id, const std::string& code, const std::string& name, const std::string& onSale,
                    const std::string& prices = "1, 0.5, 0.25") {
        db->execute("insert into cad_produto (id_produto, cd_produto, nm_produto, st_venda, vl_venda, vl_atacado,"
                    " vl_minimo) values (" + std::to_string(id) + ", '" + code + "', '" + name + "', " + onSale + ", " +
                    prices + ")");
    }

    // One document of a movement kind (1 inflow, 2 outflow, 3 pending inflow, 4 pending outflow) with its items.
    void addDocument(int id, int company, int kind, const std::string& issued, int product,
                     const std::vector<std::string>& quantities) {
        db->execute("insert into mov_nf_comercio (id_nf_comercio, id_empresa, id_tp_mov_estoque, dt_emissao) values (" +
                    std::to_string(id) + ", " + std::to_string(company) + ", " + std::to_string(kind) + ", '" + issued +
                    "')");
        for (const std::string& quantity : quantities) {
            db->execute("insert into mov_nf_comercio_item (id_nf_comercio, id_produto, qt_produto) values (" +
                        std::to_string(id) + ", " + std::to_string(product) + ", " + quantity + ")");
        }
    }

    // Product 1: stock 12.5 in company 1, a pending outflow of 2 and a pending inflow of 7.25 there, and an inflow
    // of 1.5 in company 2 on 20.03.2026.
    void addScrewWithMovements() {
        addProduct(1, "00123", "Parafuso", "'S'", "12.5, 10.25, 9.9");
        db->execute("update cad_produto set id_fabrica = 10, id_tp_produto = 20, id_gr_produto = 30, id_atividade = 40"
                    " where id_produto = 1");
        db->execute("insert into cad_produto_estoque (id_empresa, id_produto, qt_estoque_atual) values (1, 1, 12.5)");
        addDocument(100, 1, 4, "01.03.2026", 1, {"2"});
        addDocument(101, 1, 3, "01.03.2026", 1, {"3", "4.25"});
        addDocument(102, 2, 1, "20.03.2026", 1, {"1.5"});
    }

    fs::path file() const { return workbookPath(erp.programFolder(), kName); }

    WorkbookReadBack run(InteractiveSession* interactive = nullptr) {
        generatePriceList(3, kName, interactive, *db, erp.programFolder());
        return readWorkbook(file());
    }

    void writeOldWorkbook() const {
        fs::create_directories(workbookFolder(erp.programFolder()));
        Workbook old;
        old.saveAs(file());
        old.setText(9, 9, "planilha anterior");
        old.save();
    }

    test::ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
};

TEST(CurrencyText, DropsTrailingZerosAndGroupsNothing) {
    const struct {
        ScaledInteger value;
        const char* text;
    } cases[] = {
        {{105000, -4}, "10,5"},  {{0, -4}, "0"},         {{0, 0}, "0"},          {{12345678, -4}, "1234,5678"},
        {{1000, 0}, "1000"},     {{-2500, -4}, "-0,25"}, {{123456, -5}, "1,2346"}, {{-4, -5}, "0"},
        {{1, -4}, "0,0001"},     {{25, -1}, "2,5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(currencyText(c.value), c.text) << c.value.value << "e" << c.value.scale;
    }
}

TEST_F(PriceListTest, ListsEveryProductOnSaleByName) {
    addScrewWithMovements();
    addProduct(2, "0007", "Arruela", "'S'");  // no lookups, no stock row, no movements
    addProduct(3, "0008", "Bucha", "'N'");
    addProduct(4, "0009", "Cola", "null");
    writeOldWorkbook();

    const WorkbookReadBack back = run();

    const char* const headers[] = {"Código", "Produto", "Fabricante", "Tipo", "Grupo", "Aplicação", "Varejo",
                                   "Atacado", "Mínimo", "Estoque Disp.", "Entrada Pend."};
    for (int column = 0; column < 11; ++column) {
        const std::string cell = std::string(1, static_cast<char>('A' + column)) + "1";
        ASSERT_TRUE(back.has(cell)) << cell;
        EXPECT_EQ(back.at(cell).value, headers[column]) << cell;
        EXPECT_EQ(back.at(cell).valueType, "str") << cell;
        EXPECT_TRUE(back.at(cell).bold) << cell;
    }
    EXPECT_EQ(back.maxRow, 3) << "only products on sale";
    EXPECT_EQ(back.maxColumn, 11);
    EXPECT_FALSE(back.has("I9")) << "the old workbook was replaced";

    const struct {
        const char* cell;
        const char* valueType;
        const char* value;
        std::string numberFormat;
    } expected[] = {
        // "Arruela" comes first by name: empty lookups, no stock and nothing pending.
        {"A2", "str", "0007", "@"},
        {"B2", "str", "Arruela", "@"},
        {"C2", "NoneType", "", "@"},
        {"F2", "NoneType", "", "@"},
        {"G2", "int", "1", kPriceFormat},
        {"I2", "float", "0.25", kPriceFormat},
        {"J2", "str", "0", kQuantityFormat},
        {"K2", "int", "0", kQuantityFormat},
        {"A3", "str", "00123", "@"},
        {"B3", "str", "Parafuso", "@"},
        {"C3", "str", "Fábrica", "@"},
        {"D3", "str", "Revenda", "@"},
        {"E3", "str", "Fixação", "@"},
        {"F3", "str", "Construção", "@"},
        {"G3", "float", "12.5", kPriceFormat},
        {"H3", "float", "10.25", kPriceFormat},
        {"I3", "float", "9.9", kPriceFormat},
        // Stock 12.5 less the pending outflow of 2, as text; the inflow of company 2 does not count.
        {"J3", "str", "10,5", kQuantityFormat},
        {"K3", "float", "7.25", kQuantityFormat},
    };
    for (const auto& e : expected) {
        ASSERT_TRUE(back.has(e.cell)) << e.cell;
        EXPECT_EQ(back.at(e.cell).valueType, e.valueType) << e.cell;
        EXPECT_EQ(back.at(e.cell).value, e.value) << e.cell;
        EXPECT_EQ(back.at(e.cell).numberFormat, e.numberFormat) << e.cell;
        EXPECT_FALSE(back.at(e.cell).bold) << e.cell;
    }
    for (const char* column : {"A", "B", "G", "J", "K"}) {
        EXPECT_EQ(back.widths.count(column), 1u) << column;
    }
}

TEST_F(PriceListTest, WithoutProductsOnSaleOnlyTheHeaderIsWrittenUnattended) {
    addProduct(3, "0008", "Bucha", "'N'");

    const WorkbookReadBack back = run();

    EXPECT_EQ(back.maxRow, 1);
    EXPECT_EQ(back.at("K1").value, "Entrada Pend.");
    EXPECT_EQ(back.cells.size(), 11u);
}

TEST_F(PriceListTest, WithoutProductsOnSaleTheWatchingPersonIsToldAndNothingOpens) {
    RecordingSession session;

    EXPECT_THROW(run(&session), SilentAbort);

    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].first, "Não foi encontrado nenhum registro para geração do arquivo.");
    EXPECT_EQ(session.messages[0].second, ReportMessageIcon::Exclamation);
    EXPECT_TRUE(session.progress.calls.empty());
    EXPECT_TRUE(session.opened.empty());
    EXPECT_FALSE(fs::exists(file())) << "no empty workbook is left under the report's name";
}

TEST_F(PriceListTest, InteractiveRunShowsProgressThenOpensTheWorkbook) {
    addScrewWithMovements();
    addProduct(2, "0007", "Arruela", "'S'");
    RecordingSession session;

    const WorkbookReadBack back = run(&session);

    EXPECT_EQ(back.maxRow, 3);
    EXPECT_EQ(session.progress.calls,
              (std::vector<std::string>{"abrir", "iniciar Aguarde ...|Gerando a planilha... ...|Aguarde o processamento...|0|2",
                                        "fechar"}));
    EXPECT_EQ(session.progress.advances, 2);
    EXPECT_TRUE(session.messages.empty());
    EXPECT_EQ(session.opened, std::vector<fs::path>{file()});
}

TEST_F(PriceListTest, AFailedRunClosesTheProgressAndKeepsThePreviousWorkbook) {
    addProduct(2, "0007", "Arruela", "'S'");
    writeOldWorkbook();
    db->execute("drop table tab_parametro");  // the run fails after the progress window opened
    RecordingSession session;

    EXPECT_ANY_THROW(run(&session));
    EXPECT_ANY_THROW(run());

    EXPECT_EQ(session.progress.calls,
              (std::vector<std::string>{"abrir", "iniciar Aguarde ...|Gerando a planilha... ...|Aguarde o processamento...|0|1",
                                        "fechar"}));
    EXPECT_TRUE(session.opened.empty());
    EXPECT_EQ(readWorkbook(file()).at("I9").value, "planilha anterior");
}

TEST_F(PriceListTest, AFolderOrFileInTheWayIsReportedAtOnce) {
    addProduct(2, "0007", "Arruela", "'S'");
    const fs::path folder = workbookFolder(erp.programFolder());
    {
        std::ofstream blocker(folder);  // a file where the folder belongs
    }
    try {
        run();
        ADD_FAILURE() << "the run succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Não pode ser Criado o Diretório " + folder.string());
    }

    fs::remove(folder);
    fs::create_directories(file());  // a folder where the workbook belongs cannot be replaced
    try {
        run();
        ADD_FAILURE() << "the run succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), kInUse);
    }

    RecordingSession session;
    EXPECT_THROW(run(&session), SilentAbort);
    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].first, kInUse);
    EXPECT_EQ(session.messages[0].second, ReportMessageIcon::Exclamation);
    EXPECT_TRUE(session.progress.calls.empty());
}

TEST_F(PriceListTest, AReportNameThatIsNoFileNameFailsTheRun) {
    for (const std::string name : {"", "Preços/Norte", ".."}) {
        EXPECT_THROW(generatePriceList(3, name, nullptr, *db, erp.programFolder()), ReportDefinitionError) << name;
    }
    EXPECT_FALSE(fs::exists(workbookFolder(erp.programFolder())));
}

TEST_F(PriceListTest, StockComesFromTheSourceThatCompanyProductAndDateChoose) {
    addScrewWithMovements();
    const DateTime march10 = makeDateTime(2026, 3, 10);
    const struct {
        int company;
        int product;
        int kind;
        DateTime date;
        std::int64_t stock;  // four decimals
        const char* source;
    } cases[] = {
        // Company 1 at the date, projected: 12.5 + 7.25 pending in - 2 pending out.
        {1, 1, 2, march10, 177500, "rpe_individual"},
        // Every company at the date, physical: the inflow of company 2 after the date is undone.
        {0, 1, 3, march10, 110000, "rpe_sem_empresa"},
        // The first product of company 2 at the date, available.
        {2, 0, 1, march10, -15000, "rpe_sem_produto"},
        // The stock row as it stands, movements aside.
        {0, 1, 4, DateTime{}, 125000, "cad_produto_estoque"},
        {0, 1, 2, emptyDateTime(), 125000, "cad_produto_estoque, day zero"},
        {0, 9, 4, DateTime{}, 0, "cad_produto_estoque without a row"},
    };
    for (const auto& c : cases) {
        const ScaledInteger stock = productStock(c.company, c.product, c.kind, *db, c.date);
        EXPECT_EQ(stock.value, c.stock) << c.source;
        EXPECT_EQ(stock.scale, -4) << c.source;
    }
    // Nothing is chosen for these.
    for (const auto& [company, product, date] :
         {std::tuple{0, 0, march10}, std::tuple{1, 0, DateTime{}}, std::tuple{1, 1, DateTime{}},
          std::tuple{0, 0, DateTime{}}}) {
        EXPECT_THROW(productStock(company, product, 4, *db, date), std::invalid_argument)
            << company << " " << product;
    }
}

TEST_F(PriceListTest, PendingMovementsAreSummedByKind) {
    addScrewWithMovements();
    addDocument(103, 1, 3, "02.03.2026", 2, {"5"});  // another product

    EXPECT_EQ(pendingInflow(1, *db).value, 72500);
    EXPECT_EQ(pendingOutflow(1, *db).value, 20000);
    EXPECT_EQ(pendingInflow(7, *db).value, 0);
    EXPECT_EQ(pendingOutflow(7, *db).value, 0);
}

}  // namespace
}  // namespace velmora
