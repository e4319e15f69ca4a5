#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/text_encoding.h"
#include "monitor_harness.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::ErpInstallation;
using test::MonitorHarness;

// Customers install the ERP under folders such as "Gestão"; the database file may carry accents too.
TEST(AccentedInstallation, StartsAndRunsACycleWithIniFilesInEitherEncoding) {
    for (const auto encoding : {ErpInstallation::IniEncoding::Windows1252, ErpInstallation::IniEncoding::Utf8}) {
        const bool utf8 = encoding == ErpInstallation::IniEncoding::Utf8;
        MonitorHarness h("Gestão Comercial", encoding, "Comércio São João.fdb");
        ASSERT_TRUE(fs::exists(h.erp.databaseFile()));

        ASSERT_NO_THROW(h.monitor->startUp()) << "a failed connection ends the start (UTF-8 INI: " << utf8 << ")";
        ASSERT_TRUE(h.monitor->connected());
        EXPECT_EQ(h.ui.statusWord, "DORMINDO");
        EXPECT_TRUE(h.ui.messageBoxes.empty());

        EXPECT_EQ(test::lockFirstLine(h.erp.lockFile()), utf8ToWindows1252("Este arquivo indica que o monitor " + h.erp.programPath().string() +
                                           " está em execução.") + "\r\n");

        h.monitor->cycleTimerFired();
        EXPECT_EQ(h.process.endCount, 0);
        EXPECT_TRUE(h.ui.cycleTimer) << h.ui.observationText;
        EXPECT_EQ(h.ui.statusWord, "DORMINDO");
    }
}

}  // namespace
}  // namespace velmora
