#pragma once

#include <filesystem>
#include <string>

#include "common/date_time.h"
#include "common/result_set.h"

namespace velmora {

class Connection;
class InteractiveSession;

// The product price list: every product on sale with its prices, available stock and pending inflow, written to
// programFolder/Excel/<workbookName>.xlsx. `interactive` is null for unattended runs.
void generatePriceList(int reportId, const std::string& workbookName, InteractiveSession* interactive,
                       Connection& connection, const std::filesystem::path& programFolder);

// Current stock of a product as a fixed-point value with four decimals; 0 stands for "none" in company, product
// and date (an empty DateTime{} / day zero).
ScaledInteger productStock(int company, int product, int kind, Connection& connection, DateTime date);
ScaledInteger pendingInflow(int product, Connection& connection);
ScaledInteger pendingOutflow(int product, Connection& connection);

}  // namespace velmora
