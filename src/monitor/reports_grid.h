#pragma once

#include <string>
#include <vector>

#include "monitor/report_row.h"

namespace velmora {

class Connection;

// The statement of the monitored-reports grid: the active reports by name, with their kind of publication.
std::string gridStatement();
std::vector<ReportRow> readGridRows(Connection& connection);

}  // namespace velmora
