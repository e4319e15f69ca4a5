#pragma once

#include <filesystem>
#include <string>

namespace velmora::test {

// What a test's connection names to reach a database file of its own. On Linux the embedded engine opens the
// path; the Windows client has no engine, so there the Linux server of the Windows tests' fixture
// (support/firebird_fixture) serves the file.
std::string databaseConnectionText(const std::filesystem::path& file);

#ifdef _WIN32
// The fixture's folder, from VELMORA_FIREBIRD_FIXTURE (set by CTest).
std::filesystem::path firebirdFixtureFolder();
// The same through the server whose port is in `serverFolder`/port: the shared one or the one a test may lose.
std::string databaseConnectionText(const std::filesystem::path& serverFolder, const std::filesystem::path& file);
#endif

}  // namespace velmora::test
