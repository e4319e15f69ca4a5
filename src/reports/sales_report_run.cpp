#include "reports/interactive_session.h"
#include "reports/progress_shown.h"
#include "reports/sales_report_engine.h"
#include "reports/sales_workbook_writer.h"

namespace velmora {

void SalesReportEngine::runSalesReport(int reportId, int companyId, InteractiveSession* interactive,
                                       DateTime start, DateTime end, Connection& connection,
                                       const std::filesystem::path& programFolder) {
    const ProgressShown progress(interactive);
    if (progress.window()) {
        progress.window()->startProgress("Aguarde ...", "Obtendo dados do relatório... ...",
                                         "Aguarde o processamento...", 0, 7);
    }
    const auto statement = assembleStatement(reportId, companyId, start, end, connection, progress.window());
    if (!statement) {
        return;
    }
    const std::string name = readReportName(reportId, connection);
    writeSalesReportWorkbook(reportId, name, *statement, connection, programFolder, interactive);
}

}  // namespace velmora
