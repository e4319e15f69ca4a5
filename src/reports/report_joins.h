#pragma once

#include <string>

namespace velmora {

class Connection;

// The joins of one join group that the report's columns and filter values need: 1 product (item level only),
// 2 lookups of the document, 3 client, 4 seller, 5 nature of operation, 7 carrier; any other group gives nothing.
// Each join clause begins with a blank.
std::string reportJoins(int group, int reportId, Connection& connection);

}  // namespace velmora
