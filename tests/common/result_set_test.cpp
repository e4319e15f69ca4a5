#include <gtest/gtest.h>

#include <string>

#include "common/connection.h"
#include "support/erp_installation.h"

namespace velmora {
namespace {

using test::ErpInstallation;

// A result of many rows is kept in pieces; every cell must still read back as fetched, nulls and empty texts
// included, wherever a piece ends.
TEST(ConnectionLargeResult, EveryCellOfAManyThousandRowResultReadsBack) {
    ErpInstallation erp;
    const auto db = erp.connect();
    constexpr int kRows = 25000;  // 75,000 cells
    db->execute("create table t_many (id integer, name varchar(40), note varchar(2000))");
    db->execute("execute block as declare i integer = 1; begin while (i <= " + std::to_string(kRows) +
                ") do begin insert into t_many values (:i, iif(mod(:i, 7) = 0, null, 'Nome ' || :i), "
                "iif(mod(:i, 5000) = 0, lpad('', 1500, 'x'), iif(mod(:i, 2) = 0, '', 'ação ' || :i))); "
                "i = i + 1; end end");

    const ResultSet rows = db->query("select id, name, note from t_many order by id");
    ASSERT_EQ(rows.rowCount(), static_cast<std::size_t>(kRows));
    for (int i = 1; i <= kRows; ++i) {
        const auto row = static_cast<std::size_t>(i - 1);
        ASSERT_EQ(rows.field(row, 0).asInteger(), i);
        ASSERT_EQ(rows.field(row, 1).isNull(), i % 7 == 0) << "row " << i;
        ASSERT_EQ(rows.field(row, 1).asString(), i % 7 == 0 ? "" : "Nome " + std::to_string(i));
        const std::string note = i % 5000 == 0 ? std::string(1500, 'x') : i % 2 == 0 ? "" : "ação " + std::to_string(i);
        ASSERT_EQ(rows.field(row, 2).asString(), note) << "row " << i;
        ASSERT_FALSE(rows.field(row, 2).isNull());
    }
}

}  // namespace
}  // namespace velmora
