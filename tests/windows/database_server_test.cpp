// What only a database server shows to the Windows client (the cross-built fbclient.dll under Wine against the
// Linux servers of tests/support/firebird_fixture): the password is checked, and a server that goes away fails
// the statements of a connection that was attached to it.
#include <gtest/gtest.h>
#include <ibase.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "common/connection.h"
#include "common/database_error.h"
#include "support/database_location.h"
#include "support/erp_installation.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ErpInstallation;

// The message the client gives, and one of the codes that name its reason.
void expectFailure(const std::function<void()>& use, const std::string& text,
                   std::initializer_list<std::intptr_t> codes) {
    try {
        use();
        FAIL() << "the call should fail";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
        bool known = false;
        for (const auto code : codes) {
            known = known || error.hasCode(code);
        }
        EXPECT_TRUE(known) << error.what();
    }
}

TEST(DatabaseServer, AWrongPasswordIsRefusedWithTheServersText) {
    const ErpInstallation erp;
    ConnectionSettings settings = erp.connectionSettings();
    settings.password = "errada";
    Connection db(settings);
    expectFailure([&] { db.open(); }, "Your user name and password are not defined", {isc_login});
    EXPECT_FALSE(db.isOpen());
}

// The fixture's second server is killed when this test asks for it, as a server whose machine went down.
TEST(DatabaseServer, ALostServerFailsTheNextStatementsAndAttachingAgainNamesTheHost) {
    const fs::path lost = test::firebirdFixtureFolder() / "lost";
    ASSERT_FALSE(fs::exists(lost / "kill")) << "the lost server serves one test run only";
    const ErpInstallation erp;
    ConnectionSettings settings = erp.connectionSettings();
    settings.database = test::databaseConnectionText(lost, erp.databaseFile());
    Connection db(settings);
    EXPECT_EQ(db.query("select 1 from rdb$database").rowCount(), 1u);

    std::ofstream(lost / "kill") << "now\n";
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!fs::exists(lost / "killed") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(fs::exists(lost / "killed")) << "the fixture did not kill the server";

    expectFailure([&] { db.query("select 1 from rdb$database"); }, "Error ",
                  {isc_net_read_err, isc_net_write_err});
    db.close();
    EXPECT_FALSE(db.isOpen());
    expectFailure([&] { db.open(); }, "Unable to complete network request to host", {isc_network_error});
}

}  // namespace
}  // namespace velmora
