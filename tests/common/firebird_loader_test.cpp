#include "common/firebird_loader.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

#ifdef _WIN32
// No Firebird client is installed where the Windows tests run: the user must learn what is missing.
TEST(FirebirdLoader, AMissingClientNamesTheLibraryAndTheVersionItNeeds) {
    try {
        loadFirebirdClient();
        FAIL() << "a client was found";
    } catch (const FirebirdClientMissing& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find("fbclient.dll"), std::string::npos) << text;
        EXPECT_NE(text.find("Firebird 3.0"), std::string::npos) << text;
    }
}
#else
TEST(FirebirdLoader, TheLinkedClientGivesItsMasterInterface) {
    EXPECT_NE(loadFirebirdClient(), nullptr);
}
#endif

}  // namespace
}  // namespace velmora
