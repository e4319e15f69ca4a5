#pragma once

#include <string>

namespace velmora {

class Connection;

// The readers of a sales report's definition: its columns, sort keys and name, and whether its rows are document
// items or whole documents. Each runs its own statements on the given connection.

// Table kinds of the field and filter catalogues.
enum ReportTableKind { kClientTable = 1, kProductTable = 2, kSellerTable = 3, kOperationTable = 4 };

// Fields that are sums or counts: never grouped by.
bool isAggregateField(int fieldId);

// " A, B, C": the select items in column order, each after a blank; empty without columns.
std::string reportSelectList(int reportId, Connection& connection);
// A product column, or a value of a product filter that narrows the items, makes each row one document item.
bool reportIsItemLevel(int reportId, Connection& connection);
// The base FROM text of either level; both begin with a blank.
const std::string& itemLevelFrom();
const std::string& documentLevelFrom();
std::string reportName(int reportId, Connection& connection);

// " 1, 2, 4": the positions of the columns that are not aggregates; empty when all are.
std::string reportGroupBy(int reportId, Connection& connection);
// " expr1, expr2 desc": each sort key's expression without its alias.
std::string reportOrderBy(int reportId, Connection& connection);

}  // namespace velmora
