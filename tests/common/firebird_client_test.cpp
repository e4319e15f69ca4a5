// The client interface as the program finds it (linked on Linux, loaded on Windows), and what it does with a client
// that lacks a function, has no version, or has only the oldest message function.
#include "common/firebird_client.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "common/database_error.h"
#include "common/firebird_loader.h"

namespace velmora {
namespace {

#ifdef _WIN32
constexpr std::string_view kClientFileName = "fbclient.dll";
#else
constexpr std::string_view kClientFileName = "libfbclient";
#endif

void* functionOf(const FirebirdClient& client, std::string_view name) {
#define VELMORA_FUNCTION_BY_NAME(function)                     \
    if (name == #function) {                                   \
        return reinterpret_cast<void*>(client.function);       \
    }
    VELMORA_FIREBIRD_REQUIRED_FUNCTIONS(VELMORA_FUNCTION_BY_NAME)
    VELMORA_FIREBIRD_OPTIONAL_FUNCTIONS(VELMORA_FUNCTION_BY_NAME)
#undef VELMORA_FUNCTION_BY_NAME
    return nullptr;
}

TEST(FirebirdClient, TheProgramsClientHasEveryFunctionAndNamesItsFileAndVersion) {
    const FirebirdClient& client = firebirdClient();
#define VELMORA_EXPECT_BOUND(function) EXPECT_NE(functionOf(client, #function), nullptr) << #function;
    VELMORA_FIREBIRD_REQUIRED_FUNCTIONS(VELMORA_EXPECT_BOUND)
    VELMORA_FIREBIRD_OPTIONAL_FUNCTIONS(VELMORA_EXPECT_BOUND)
#undef VELMORA_EXPECT_BOUND
    EXPECT_NE(client.file.find(kClientFileName), std::string::npos) << client.file;
    EXPECT_NE(client.version.find("Firebird 3.0"), std::string::npos) << client.version;
    EXPECT_TRUE(client.takesUtf8FileNames());
    EXPECT_EQ(client.description(), client.file + " (" + client.version + ")");
}

TEST(FirebirdClient, AClientLackingARequiredFunctionIsToldByItsNameAndOptionalOnesMayBeMissing) {
    const FirebirdClient& real = firebirdClient();
    for (const std::string_view absent : {"isc_attach_database", "isc_dsql_fetch", "isc_interprete"}) {
        FirebirdClient client;
        const std::string missing = bindFirebirdFunctions(
            client, [&](const char* name) { return name == absent ? nullptr : functionOf(real, name); });
        EXPECT_EQ(missing, absent);
    }
    // As InterBase or Firebird 1.0: no fb_interpret, no version; it serves, with paths in the ANSI code page.
    FirebirdClient oldest;
    const std::string missing = bindFirebirdFunctions(oldest, [&](const char* name) -> void* {
        const std::string_view function = name;
        return function == "fb_interpret" || function == "isc_get_client_version" ? nullptr : functionOf(real, name);
    });
    EXPECT_EQ(missing, "");
    EXPECT_EQ(oldest.fb_interpret, nullptr);
    EXPECT_EQ(oldest.version, "");
    EXPECT_FALSE(oldest.takesUtf8FileNames());
}

TEST(FirebirdClient, OnlyFirebird25AndNewerTakeUtf8FileNames) {
    const std::pair<const char*, bool> cases[] = {
        {"LI-V3.0.11.33637 Firebird 3.0", true}, {"WI-V2.5.9.27139 Firebird 2.5", true},
        {"WI-V5.0.1.1469 Firebird 5.0", true},   {"WI-T10.0.0.1 Firebird 10.0", true},
        {"WI-V2.1.7.18553 Firebird 2.1", false}, {"WI-V1.5.6.5026 Firebird 1.5", false},
        {"WI-V6.3.4.4910 Firebird 2.0", false},  {"WI-V14.4.0.276", false},  // InterBase names no Firebird
        {"", false},                             {"Firebird x.y", false},
    };
    for (const auto& [version, utf8] : cases) {
        EXPECT_EQ(versionTakesUtf8FileNames(version), utf8) << version;
    }
}

// The oldest clients have isc_interprete only; both give the same lines, and the codes travel along.
TEST(FirebirdClient, ErrorTextsAreAlikeThroughFbInterpretAndIscInterprete) {
    const FirebirdClient& client = firebirdClient();
    FirebirdClient oldest = client;
    oldest.fb_interpret = nullptr;
    const ISC_STATUS status[] = {isc_arg_gds,    isc_dsql_error,        isc_arg_gds, isc_sqlerr,
                                 isc_arg_number, -204,                  isc_arg_gds, isc_dsql_relation_err,
                                 isc_arg_gds,    isc_random,            isc_arg_string,
                                 reinterpret_cast<ISC_STATUS>("NO_SUCH_TABLE"), isc_arg_end};
    const std::string expected = "Dynamic SQL Error\n-SQL error code = -204\n-Table unknown\n-NO_SUCH_TABLE";
    EXPECT_EQ(statusText(client, status), expected);
    EXPECT_EQ(statusText(oldest, status), expected);
    const DatabaseError error = toDatabaseError(oldest, status);
    EXPECT_EQ(error.what(), expected);
    EXPECT_TRUE(error.hasCode(isc_dsql_relation_err));
}

}  // namespace
}  // namespace velmora
