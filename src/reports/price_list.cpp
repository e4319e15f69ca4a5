#include "reports/price_list.h"

#include "common/connection.h"
#include "common/sql_text.h"
#include "reports/currency_text.h"
#include "reports/erp_masks.h"
#include "reports/interactive_session.h"
#include "reports/progress_shown.h"
#include "reports/report_workbook_run.h"
#include "reports/sales_workbook_writer.h"
#include "reports/workbook.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPriceFormat = "R$ #.##0,00;\\(R$ #.##0,00\\)";
constexpr const char* kHeaders[] = {"Código", "Produto", "Fabricante", "Tipo",          "Grupo",        "Aplicação",
                                    "Varejo", "Atacado", "Mínimo",     "Estoque Disp.", "Entrada Pend."};
// The stock functions' kind for the current stock, as the ERP asks for it.
constexpr int kCurrentStock = 4;

WorkbookRunMessages priceListMessages(const std::string& workbookName) {
    return {"Não foi possivel deletar o arquivo " + workbookName + "\nFeche este arquivo caso esteja em uso.",
            ReportMessageIcon::Exclamation,
            "O sistema não conseguiu criar o Arquivo, verifique se existe o\nprograma Excel instalado nesta maquina.",
            ReportMessageIcon::Exclamation};
}

std::string productStatement() {
    return " select cp.id_produto, cp.cd_produto, cp.nm_produto, fab.nm_pesquisa as NM_FABRICANTE, ttp.nm_tp_produto,"
           " tgp.nm_gr_produto, ta.nm_atividade, cp.vl_venda, cp.vl_atacado, cp.vl_minimo from cad_produto cp left "
           "join cad_pessoa fab on (fab.id_pessoa = cp.id_fabrica) left join tab_tipo_produto ttp on "
           "(ttp.id_tp_produto = cp.id_tp_produto) left join tab_grupo_produto tgp on (tgp.id_gr_produto = "
           "cp.id_gr_produto) left join tab_atividade ta on (ta.id_atividade = cp.id_atividade) where cp.st_venda = " +
           quotedSql("S") + " order by cp.nm_produto";
}

void writeHeader(Workbook& workbook) {
    int column = 1;
    for (const char* header : kHeaders) {
        workbook.setText(1, column, header);
        workbook.setBold(1, column, true);
        ++column;
    }
}

void writeProduct(Workbook& workbook, int row, const ResultSet& products, std::size_t index,
                  const std::string& quantityMask, Connection& connection) {
    int column = 1;
    for (const char* text : {"cd_produto", "nm_produto", "NM_FABRICANTE", "nm_tp_produto", "nm_gr_produto",
                             "nm_atividade"}) {
        workbook.setText(row, column++, "'" + products.field(index, text).asString());
    }
    for (const char* price : {"vl_venda", "vl_atacado", "vl_minimo"}) {
        workbook.setNumberFormat(row, column, kPriceFormat);
        workbook.setCurrency(row, column++, products.field(index, price).asScaled());
    }
    const auto product = static_cast<int>(products.field(index, "id_produto").asInteger());
    const ScaledInteger stock = productStock(0, product, kCurrentStock, connection, DateTime{});
    const ScaledInteger pendingExit = pendingOutflow(product, connection);
    // Both carry four decimals.
    const ScaledInteger available{stock.value - pendingExit.value, stock.scale};
    workbook.setNumberFormat(row, column, quantityMask);
    workbook.setText(row, column++, currencyText(available));
    workbook.setNumberFormat(row, column, quantityMask);
    workbook.setCurrency(row, column, pendingInflow(product, connection));
}

void writePriceList(Workbook& workbook, Connection& connection, InteractiveSession* interactive) {
    const ResultSet products = connection.query(productStatement());
    stopWatchedRunWithoutRows(products.empty(), interactive);
    const ProgressShown progress(interactive);
    startRowProgress(interactive, products.rowCount());
    const std::string quantityMask = readErpMasks(connection).quantity;
    writeHeader(workbook);
    for (std::size_t index = 0; index < products.rowCount(); ++index) {
        writeProduct(workbook, static_cast<int>(index) + 2, products, index, quantityMask, connection);
        if (interactive != nullptr) {
            interactive->progressWindow().advanceProgress();
        }
    }
}

}  // namespace

void generatePriceList(int /*reportId*/, const std::string& workbookName, InteractiveSession* interactive,
                       Connection& connection, const fs::path& programFolder) {
    const fs::path file = workbookPath(programFolder, workbookName);
    writeReportWorkbook(workbookFolder(programFolder), file, priceListMessages(workbookName), interactive,
                        [&](Workbook& workbook) { writePriceList(workbook, connection, interactive); });
}

}  // namespace velmora
