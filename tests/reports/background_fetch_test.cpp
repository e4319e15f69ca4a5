#include "reports/background_fetch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/connection.h"
#include "common/database_error.h"
#include "support/erp_installation.h"

namespace velmora {
namespace {

class BackgroundFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        db->execute("create table t_linhas (id integer)");
        db->execute("execute block as declare i integer = 0; begin while (i < 10000) do begin"
                    " insert into t_linhas values (:i); i = i + 1; end end");
    }

    test::ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
};

TEST_F(BackgroundFetchTest, EveryRowArrivesOnceAndInOrder) {
    std::int64_t expected = 0;
    {
        BackgroundFetch fetch(*db, "select id from t_linhas order by id", 300);
        while (const std::optional<ResultSet> batch = fetch.next()) {
            for (std::size_t row = 0; row < batch->rowCount(); ++row) {
                ASSERT_EQ(batch->field(row, 0).asInteger(), expected++);
            }
        }
    }
    EXPECT_EQ(expected, 10000);
}

// The writer may give up (a full disk, too many rows): the fetch stops with it and the connection is free again.
TEST_F(BackgroundFetchTest, GoingEarlyStopsTheFetchAndFreesTheConnection) {
    {
        BackgroundFetch fetch(*db, "select id from t_linhas order by id", 100);
        ASSERT_TRUE(fetch.next().has_value());
        ASSERT_TRUE(fetch.next().has_value());
    }
    EXPECT_EQ(db->query("select count(*) from t_linhas").field(0, 0).asInteger(), 10000);
}

TEST_F(BackgroundFetchTest, TheFetchsErrorComesOutAfterTheRowsBeforeIt) {
    BackgroundFetch fetch(*db, "select 1 / (id - 5000) from t_linhas order by id", 1000);
    std::size_t rows = 0;
    try {
        while (const std::optional<ResultSet> batch = fetch.next()) {
            rows += batch->rowCount();
        }
        ADD_FAILURE() << "no error";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("divide by zero"), std::string::npos) << error.what();
    }
    EXPECT_LE(rows, 5000u);
}

}  // namespace
}  // namespace velmora
