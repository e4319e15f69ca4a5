#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "common/date_time.h"

namespace velmora {

class Connection;
class InteractiveSession;
class ProgressWindow;

// Turns a sales report definition (tab_relatorio and its columns, filter values and sort keys) into one statement
// over the sales documents of a date range, and has the workbook written from it. Keeps the pieces of its last
// run; one run at a time.
class SalesReportEngine {
public:
    // Reads the definition, assembles the statement and writes the workbook programFolder/Excel/<name>.xlsx. A
    // report without columns does nothing. companyId 0 means every company; only the dates of start and end
    // count. `interactive` is null for unattended runs; otherwise the progress window shows the steps and is
    // closed however the run ends.
    void runSalesReport(int reportId, int companyId, InteractiveSession* interactive, DateTime start,
                        DateTime end, Connection& connection, const std::filesystem::path& programFolder);

    // Everything of runSalesReport before the workbook: the finished statement, or nullopt for a report
    // without columns. `progress` (may be null) is advanced once per step, seven times in all.
    std::optional<std::string> assembleStatement(int reportId, int companyId, DateTime start, DateTime end,
                                                 Connection& connection, ProgressWindow* progress = nullptr);

    std::string buildSelectList(int reportId, Connection& connection) const;
    // The base FROM text; at item level it also makes the product joins and filters the engine's joins and filters.
    std::string buildFrom(int reportId, Connection& connection);
    std::string readReportName(int reportId, Connection& connection) const;
    std::string buildJoins(int group, int reportId, Connection& connection) const;
    std::string buildFilters(int group, int reportId, Connection& connection) const;
    std::string buildGrouping(int reportId, Connection& connection) const;
    std::string buildOrdering(int reportId, Connection& connection) const;

    // The pieces of the last run.
    const std::string& selectList() const { return selectList_; }
    const std::string& from() const { return from_; }
    const std::string& joins() const { return joins_; }
    const std::string& filters() const { return filters_; }
    const std::string& groupBy() const { return groupBy_; }
    const std::string& orderBy() const { return orderBy_; }
    const std::string& statement() const { return statement_; }

private:
    void clear();

    std::string selectList_;
    std::string from_;
    std::string joins_;
    std::string filters_;
    std::string groupBy_;
    std::string orderBy_;
    std::string statement_;
};

}  // namespace velmora
