#include "reports/sales_report_engine.h"

#include "common/sql_text.h"
#include "common/text.h"
#include "reports/interactive_session.h"
#include "reports/report_definition.h"
#include "reports/report_filters.h"
#include "reports/report_joins.h"

namespace velmora {

std::optional<std::string> SalesReportEngine::assembleStatement(int reportId, int companyId, DateTime start,
                                                                DateTime end, Connection& connection,
                                                                ProgressWindow* progress) {
    auto advance = [progress] {
        if (progress) {
            progress->AvancarProgresso();
        }
    };
    clear();
    selectList_ = ObterColunasRelatorio(reportId, connection);
    if (selectList_.empty()) {
        return std::nullopt;
    }
    from_ = ObterOrigemRelatorio(reportId, connection);
    advance();
    joins_ += ObterJuncoesRelatorio(2, reportId, connection);
    advance();
    joins_ += ObterJuncoesRelatorio(3, reportId, connection);
    filters_ += ObterFiltrosRelatorio(3, reportId, connection);
    advance();
    joins_ += ObterJuncoesRelatorio(4, reportId, connection);
    filters_ += ObterFiltrosRelatorio(4, reportId, connection);
    advance();
    joins_ += ObterJuncoesRelatorio(5, reportId, connection);
    filters_ += ObterFiltrosRelatorio(5, reportId, connection);
    joins_ += ObterJuncoesRelatorio(7, reportId, connection);
    advance();
    groupBy_ = ObterAgrupamentoRelatorio(reportId, connection);
    advance();
    orderBy_ = ObterOrdenacaoRelatorio(reportId, connection);
    advance();

    statement_ = " select " + selectList_ + " From " + from_ + joins_ + " where 0=0" + " and mc.dt_emissao between " +
                 sqlDate(start) + " and " + sqlDate(end) + " and mc.st_devolvido <> " + "'S'" +
                 " and ( (mc.id_st_nf = 3) or (mc.id_st_nf = 5) )";
    if (companyId != 0) {
        statement_ += " and mc.id_empresa = " + std::to_string(companyId);
    }
    // No blank in front: the first "and" follows the closing parenthesis or the company id directly.
    statement_ += trimmed(filters_);
    if (!groupBy_.empty()) {
        statement_ += " Group by " + trimmed(groupBy_);
    }
    if (!orderBy_.empty()) {
        statement_ += " Order by " + trimmed(orderBy_);
    }
    return statement_;
}

std::string SalesReportEngine::ObterColunasRelatorio(int reportId, Connection& connection) const {
    return reportSelectList(reportId, connection);
}

std::string SalesReportEngine::ObterOrigemRelatorio(int reportId, Connection& connection) {
    if (!reportIsItemLevel(reportId, connection)) {
        return documentLevelFrom();
    }
    joins_ = ObterJuncoesRelatorio(1, reportId, connection);
    filters_ = ObterFiltrosRelatorio(1, reportId, connection);
    return itemLevelFrom();
}

std::string SalesReportEngine::ObterNomeRelatorio(int reportId, Connection& connection) const {
    return reportName(reportId, connection);
}

std::string SalesReportEngine::ObterJuncoesRelatorio(int group, int reportId, Connection& connection) const {
    return reportJoins(group, reportId, connection);
}

std::string SalesReportEngine::ObterFiltrosRelatorio(int group, int reportId, Connection& connection) const {
    return reportFilters(group, reportId, connection);
}

std::string SalesReportEngine::ObterAgrupamentoRelatorio(int reportId, Connection& connection) const {
    return reportGroupBy(reportId, connection);
}

std::string SalesReportEngine::ObterOrdenacaoRelatorio(int reportId, Connection& connection) const {
    return reportOrderBy(reportId, connection);
}

void SalesReportEngine::clear() {
    selectList_.clear();
    from_.clear();
    joins_.clear();
    filters_.clear();
    groupBy_.clear();
    orderBy_.clear();
    statement_.clear();
}

}  // namespace velmora
