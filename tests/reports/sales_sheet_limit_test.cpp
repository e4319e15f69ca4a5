#include <gtest/gtest.h>

#include <string>

#include "reports/report_errors.h"
#include "reports/sales_sheet.h"

namespace velmora {
namespace {

TEST(SalesSheetLimit, TheHeaderTheRowsAndTheTotalsMustFitIntoOneWorksheet) {
    const struct {
        std::size_t dataRows;
        bool totalsOn;
        bool fits;
    } cases[] = {
        {0, true, true},
        {1048574, true, true},
        {1048575, true, false},
        {1048575, false, true},
        {1048576, false, false},
    };
    for (const auto& c : cases) {
        if (c.fits) {
            EXPECT_NO_THROW(checkSalesSheetFits("Vendas", c.dataRows, c.totalsOn)) << c.dataRows;
            continue;
        }
        try {
            checkSalesSheetFits("Vendas por Item", c.dataRows, c.totalsOn);
            ADD_FAILURE() << c.dataRows << " rows should not fit";
        } catch (const ReportDefinitionError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("Vendas por Item"), std::string::npos) << message;
            EXPECT_NE(message.find("1.048.576"), std::string::npos) << message;
        }
    }
}

}  // namespace
}  // namespace velmora
