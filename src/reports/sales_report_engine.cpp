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
            progress->advanceProgress();
        }
    };
    clear();
    selectList_ = buildSelectList(reportId, connection);
    if (selectList_.empty()) {
        return std::nullopt;
    }
    from_ = buildFrom(reportId, connection);
    advance();
    joins_ += buildJoins(2, reportId, connection);
    advance();
    joins_ += buildJoins(3, reportId, connection);
    filters_ += buildFilters(3, reportId, connection);
    advance();
    joins_ += buildJoins(4, reportId, connection);
    filters_ += buildFilters(4, reportId, connection);
    advance();
    joins_ += buildJoins(5, reportId, connection);
    filters_ += buildFilters(5, reportId, connection);
    joins_ += buildJoins(7, reportId, connection);
    advance();
    groupBy_ = buildGrouping(reportId, connection);
    advance();
    orderBy_ = buildOrdering(reportId, connection);
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

std::string SalesReportEngine::buildSelectList(int reportId, Connection& connection) const {
    return reportSelectList(reportId, connection);
}

std::string SalesReportEngine::buildFrom(int reportId, Connection& connection) {
    if (!reportIsItemLevel(reportId, connection)) {
        return documentLevelFrom();
    }
    joins_ = buildJoins(1, reportId, connection);
    filters_ = buildFilters(1, reportId, connection);
    return itemLevelFrom();
}

std::string SalesReportEngine::readReportName(int reportId, Connection& connection) const {
    return reportName(reportId, connection);
}

std::string SalesReportEngine::buildJoins(int group, int reportId, Connection& connection) const {
    return reportJoins(group, reportId, connection);
}

std::string SalesReportEngine::buildFilters(int group, int reportId, Connection& connection) const {
    return reportFilters(group, reportId, connection);
}

std::string SalesReportEngine::buildGrouping(int reportId, Connection& connection) const {
    return reportGroupBy(reportId, connection);
}

std::string SalesReportEngine::buildOrdering(int reportId, Connection& connection) const {
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
