#pragma once

#include "common/date_time.h"

namespace velmora {
class Connection;
}

namespace velmora::bench {

// The size of the generated sales history. All documents of company 1 lie in 2024 and count as sold.
struct SalesVolume {
    int documents = 50000;
    int itemsPerDocument = 4;
    int clients = 400;
    int products = 300;
    int sellers = 20;

    int items() const { return documents * itemsPerDocument; }
};

constexpr int kBenchCompany = 1;
constexpr int kBenchReport = 1;
inline DateTime benchStart() { return makeDateTime(2024, 1, 1); }
inline DateTime benchEnd() { return makeDateTime(2024, 12, 31); }

// Fills an empty fixture database (schema and catalogue loaded) with the ERP settings, the lookups and the
// documents; the rows are generated inside the engine, a few statements in all.
void fillSalesHistory(Connection& db, const SalesVolume& volume);

// An item-level report of twelve columns of every kind the writer knows (texts, a date, integers, quantities,
// unit prices, a percentage, sums), grouped by all its plain columns so that each item stays a row of its own.
void defineItemReport(Connection& db);

}  // namespace velmora::bench
