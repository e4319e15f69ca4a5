#pragma once

#include <string>

namespace velmora {

class Connection;

// The WHERE conditions of one filter group, from the report's filter values: 1 product, 3 client, 4 seller,
// 5 nature of operation; any other group gives nothing. Each piece begins with " and ". A value that cannot be
// written safely into the statement raises ReportDefinitionError.
std::string reportFilters(int group, int reportId, Connection& connection);

}  // namespace velmora
