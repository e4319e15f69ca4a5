#include "reports/sales_workbook_writer.h"

#include <optional>
#include <vector>

#include "common/connection.h"
#include "common/utf8_path.h"
#include "reports/background_fetch.h"
#include "reports/erp_masks.h"
#include "reports/interactive_session.h"
#include "reports/report_workbook_run.h"
#include "reports/sales_sheet.h"
#include "reports/workbook.h"
#include "reports/workbook_file_name.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

// Rows fetched before they are written: enough to keep the database busy, small beside any workbook.
constexpr std::size_t kRowsPerBatch = 2000;

constexpr const char* kWorkbookInUseMessage =
    "Esta planilha está em uso e não pode ser regravada. Feche a planilha e tente novamente.";
constexpr const char* kCreationFailedMessage =
    "Houve um problema na criação desta planilha. Verifique se o Excel está funcionando neste computador.";

std::vector<std::string> columnLegends(Connection& connection, int reportId) {
    const ResultSet columns = connection.query(
        " select trc.id_relatorio_campo, trc.no_coluna, frc.ds_legenda_coluna from tab_relatorio_coluna trc left "
        "join fix_relatorio_campo frc on (trc.id_relatorio_campo = frc.id_relatorio_campo) where trc.id_relatorio = " +
        std::to_string(reportId) + " order by trc.no_coluna");
    const std::size_t legend = columns.columnIndex("ds_legenda_coluna");
    std::vector<std::string> legends;
    for (std::size_t i = 0; i < columns.rowCount(); ++i) {
        legends.push_back(columns.field(i, legend).asString());
    }
    return legends;
}

void writeSheet(Workbook& workbook, int reportId, const std::string& reportName, const std::string& statement,
                Connection& connection, bool totalsOn, InteractiveSession* interactive) {
    const ErpMasks masks = readErpMasks(connection);
    const std::vector<std::string> legends = columnLegends(connection, reportId);
    if (interactive != nullptr) {
        // A watched run knows its rows before the first one is written: the progress window counts towards them,
        // and a result without rows is told instead of written.
        const ResultSet rows = connection.query(statement);
        checkSalesSheetFits(reportName, rows.rowCount(), totalsOn);
        stopWatchedRunWithoutRows(rows.empty(), interactive);
        startRowProgress(interactive, rows.rowCount());
        SalesSheetWriter sheet(workbook, reportName, legends, masks, totalsOn, interactive);
        sheet.addRows(rows);
        sheet.finish();
        return;
    }
    // Unattended, each batch is written while the next one is fetched: the run takes about as long as the slower
    // of the two, and memory does not grow with the rows.
    SalesSheetWriter sheet(workbook, reportName, legends, masks, totalsOn, nullptr);
    BackgroundFetch fetch(connection, statement, kRowsPerBatch);
    while (std::optional<ResultSet> rows = fetch.next()) {
        sheet.addRows(*rows);
    }
    sheet.finish();
}

}  // namespace

fs::path workbookFolder(const fs::path& programFolder) { return programFolder / "Excel"; }

fs::path workbookPath(const fs::path& programFolder, std::string_view reportName) {
    return workbookFolder(programFolder) / utf8Path(workbookFileName(reportName));
}

std::string swapSeparators(std::string_view mask) {
    std::string swapped(mask);
    for (char& c : swapped) {
        if (c == ',') {
            c = '.';
        } else if (c == '.') {
            c = ',';
        }
    }
    return swapped;
}

void writeSalesReportWorkbook(int reportId, const std::string& workbookName, const std::string& statement,
                              Connection& connection, const fs::path& programFolder, InteractiveSession* interactive) {
    const ResultSet report = connection.query(" select nm_relatorio, st_nao_totalizar  from tab_relatorio where id_relatorio = " +
                                              std::to_string(reportId));
    const bool totalsOn = report.empty() || report.field(0, "st_nao_totalizar").asString() != "S";

    const fs::path file = workbookPath(programFolder, workbookName);
    const WorkbookRunMessages messages{kWorkbookInUseMessage, ReportMessageIcon::Error, kCreationFailedMessage,
                                       ReportMessageIcon::Error};
    writeReportWorkbook(workbookFolder(programFolder), file, messages, interactive, [&](Workbook& workbook) {
        writeSheet(workbook, reportId, workbookName, statement, connection, totalsOn, interactive);
    });
}

}  // namespace velmora
