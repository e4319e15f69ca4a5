#include "common/firebird_loader.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(FirebirdLoader, TheLinkedClientGivesItsMasterInterface) {
    EXPECT_NE(loadFirebirdClient(), nullptr);
}

}  // namespace
}  // namespace velmora
