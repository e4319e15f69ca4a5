#include "common/connection.h"

#include <gtest/gtest.h>
#include <ibase.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "common/database_error.h"
#include "common/firebird_client.h"
#include "support/database_location.h"
#include "support/erp_installation.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

using test::ErpInstallation;

class ConnectionTest : public ::testing::Test {
protected:
    ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
};

TEST_F(ConnectionTest, FieldsCarryTypeScaleAndValueOfEachKind) {
    db->execute(
        "create table t_kinds (small_value smallint, int_value integer, big_value bigint, money numeric(15,4),"
        " price numeric(9,2), ratio double precision, on_day date, moment time, stamp timestamp,"
        " name varchar(40), code char(6), note blob sub_type 1, nothing integer)");
    db->execute(
        "insert into t_kinds values (-7, 123456, 9000000000, 1234.5678, 12.5, 0.25, '08.12.2026', '08:05:09',"
        " '31.12.2026 23:59:58', 'Açúcar & Cia', 'AB', 'Observação longa', null)");

    const ResultSet rows = db->query("select * from t_kinds");
    ASSERT_EQ(rows.rowCount(), 1u);
    EXPECT_EQ(rows.field(0, "small_value").asInteger(), -7);
    EXPECT_EQ(rows.field(0, "INT_VALUE").asInteger(), 123456);
    EXPECT_EQ(rows.field(0, "big_value").asInteger(), 9000000000);

    const Field money = rows.field(0, "money");
    EXPECT_EQ(money.info().scale, -4);
    EXPECT_EQ(money.asScaled().value, 12345678);
    EXPECT_EQ(money.asString(), "1234,5678");

    // A small NUMERIC travels as an INTEGER with a scale.
    const Field price = rows.field(0, "price");
    EXPECT_EQ(price.info().sqlType, static_cast<unsigned>(SQL_LONG));
    EXPECT_EQ(price.info().scale, -2);
    EXPECT_DOUBLE_EQ(price.asDouble(), 12.5);
    EXPECT_EQ(price.asInteger(), 13);
    EXPECT_EQ(price.asString(), "12,5");

    EXPECT_DOUBLE_EQ(rows.field(0, "ratio").asDouble(), 0.25);
    EXPECT_EQ(rows.field(0, "ratio").asString(), "0,25");
    EXPECT_EQ(rows.field(0, "on_day").asDateTime(), makeDateTime(2026, 12, 8));
    EXPECT_EQ(rows.field(0, "on_day").asString(), "08/12/2026");
    EXPECT_EQ(rows.field(0, "moment").asString(), "08:05:09");
    EXPECT_EQ(rows.field(0, "stamp").asDateTime(), makeDateTime(2026, 12, 31, 23, 59, 58));
    EXPECT_EQ(rows.field(0, "stamp").asString(), "31/12/2026 23:59:58");
    EXPECT_EQ(rows.field(0, "name").asString(), "Açúcar & Cia");
    EXPECT_EQ(rows.field(0, "code").asString(), "AB");
    EXPECT_EQ(rows.field(0, "note").asString(), "Observação longa");

    const Field nothing = rows.field(0, "nothing");
    EXPECT_TRUE(nothing.isNull());
    EXPECT_EQ(nothing.asInteger(), 0);
    EXPECT_EQ(nothing.asString(), "");
    EXPECT_EQ(nothing.asDateTime(), emptyDateTime());
}

TEST_F(ConnectionTest, AggregatesArriveAsBigintsWithTheirScale) {
    db->execute("create table t_sum (qty numeric(15,4))");
    db->execute("insert into t_sum values (1.5)");
    db->execute("insert into t_sum values (2.25)");
    const ResultSet rows = db->query("select count(*) as qtde, sum(qty) as total from t_sum");
    EXPECT_EQ(rows.field(0, "qtde").info().sqlType, static_cast<unsigned>(SQL_INT64));
    EXPECT_EQ(rows.field(0, "qtde").asInteger(), 2);
    EXPECT_EQ(rows.field(0, "total").info().scale, -4);
    EXPECT_EQ(rows.field(0, "total").asScaled().rescaled(2), 375);
}

TEST_F(ConnectionTest, UpdatesAreCommittedAtOnceForOtherUsers) {
    db->execute("create table t_seen (id integer)");
    db->execute("insert into t_seen values (1)");
    // The test's connection stays open with its transaction retained; a second attachment sees the row.
    Connection other(erp.connectionSettings());
    EXPECT_EQ(other.query("select count(*) from t_seen").field(0, 0).asInteger(), 1);
}

TEST_F(ConnectionTest, AClosedConnectionAttachesAgainOnTheNextStatement) {
    db->query("select 1 from rdb$database");
    db->close();
    EXPECT_FALSE(db->isOpen());
    EXPECT_EQ(db->query("select 42 from rdb$database").field(0, 0).asInteger(), 42);
    EXPECT_TRUE(db->isOpen());
}

TEST_F(ConnectionTest, ErrorsCarryTheClientsMessageAndCodes) {
    try {
        db->query("select * from no_such_table");
        FAIL() << "the statement should fail";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("Table unknown"), std::string::npos) << error.what();
        EXPECT_TRUE(error.hasCode(isc_dsql_relation_err)) << error.what();
    }
    // The connection stays usable after a failed statement.
    EXPECT_EQ(db->query("select 1 from rdb$database").rowCount(), 1u);
}

TEST(ConnectionFailure, AMissingDatabaseFailsToAttachWithTheClientsText) {
    const ScratchFolder folder;
    Connection db(ConnectionSettings{test::databaseConnectionText(folder / "nonexistent" / "none.fdb"), "sysdba",
                                     "plorvatec"});
    try {
        db.open();
        FAIL() << "attaching should fail";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("nonexistent/none.fdb"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(db.isOpen());
}

TEST_F(ConnectionTest, ManyRowsAreFetchedWhole) {
    db->execute("create table t_many (id integer, name varchar(20))");
    db->execute(
        "execute block as declare i integer = 0; begin while (i < 5000) do begin"
        " insert into t_many values (:i, iif(mod(:i, 3) = 0, null, 'linha ' || :i)); i = i + 1; end end");
    const ResultSet rows = db->query("select id, name from t_many order by id");
    ASSERT_EQ(rows.rowCount(), 5000u);
    EXPECT_TRUE(rows.field(3000, 1).isNull());
    EXPECT_EQ(rows.field(4999, 0).asInteger(), 4999);
    EXPECT_EQ(rows.field(4999, 1).asString(), "linha 4999");
}

// A large result comes in batches as it is fetched: every row once and in order, the last batch with the rest (also
// an empty one), and a consumer that gives up ends the fetch and leaves the connection usable.
TEST_F(ConnectionTest, RowsCanBeTakenInBatchesAsTheyAreFetched) {
    db->execute("create table t_batch (id integer)");
    db->execute("execute block as declare i integer = 0; begin while (i < 1000) do begin"
                " insert into t_batch values (:i); i = i + 1; end end");
    for (const std::size_t perBatch : {std::size_t{7}, std::size_t{250}, std::size_t{1000}, std::size_t{5000}}) {
        std::vector<std::size_t> sizes;
        std::int64_t expected = 0;
        db->queryInBatches("select id from t_batch order by id", perBatch, [&](ResultSet&& batch) {
            ASSERT_EQ(batch.columnCount(), 1u);
            sizes.push_back(batch.rowCount());
            for (std::size_t row = 0; row < batch.rowCount(); ++row) {
                EXPECT_EQ(batch.field(row, "ID").asInteger(), expected++);
            }
        });
        EXPECT_EQ(expected, 1000) << perBatch;
        EXPECT_EQ(sizes.back(), 1000 % perBatch) << perBatch;
        EXPECT_EQ(sizes.size(), 1000 / perBatch + 1) << perBatch;
    }

    int batches = 0;
    EXPECT_THROW(db->queryInBatches("select id from t_batch", 10,
                                    [&](ResultSet&&) {
                                        if (++batches == 3) {
                                            throw std::runtime_error("chega");
                                        }
                                    }),
                 std::runtime_error);
    EXPECT_EQ(batches, 3);
    EXPECT_EQ(db->query("select count(*) from t_batch").field(0, 0).asInteger(), 1000);
}

// A client older than Firebird 2.5 does not know UTF-8 paths: it gets the path in the system's ANSI code page, so an
// installation under "Gestão" still reaches its database, and its messages come through isc_interprete.
TEST(OlderClient, ReachesADatabaseUnderAnAccentedFolderThroughTheAnsiCodePage) {
    FirebirdClient older = firebirdClient();
    older.version = "WI-V2.1.7.18553 Firebird 2.1";
    older.fb_interpret = nullptr;
    const ErpInstallation erp("Gestão Comercial");
    ConnectionSettings settings = erp.connectionSettings();
    settings.client = &older;
    Connection db(settings);
    EXPECT_EQ(db.query("select count(*) from rdb$database").field(0, 0).asInteger(), 1);
    try {
        db.query("select * from no_such_table");
        FAIL() << "the statement should fail";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("Table unknown"), std::string::npos) << error.what();
    }
#ifdef _WIN32
    // One the code page cannot spell is refused by name rather than handed over as another file's name.
    settings.database = "127.0.0.1:C:\\Dados\\Łódź\\velmora.fdb";
    Connection unreachable(settings);
    try {
        unreachable.open();
        FAIL() << "the path should be refused";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("\"" + settings.database + "\""), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("Firebird 2.1"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(unreachable.isOpen());
#endif
}

}  // namespace
}  // namespace velmora
