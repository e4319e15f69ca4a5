#include "support/database_location.h"

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "common/utf8_path.h"
#include "support/file_bytes.h"

namespace velmora::test {

namespace fs = std::filesystem;

namespace {

// Wine's own export: the name under which Linux programs, the server among them, see a Windows path.
using UnixFileName = char*(CDECL*)(const wchar_t*);

struct FreeWithProcessHeap {
    void operator()(char* text) const { ::HeapFree(::GetProcessHeap(), 0, text); }
};

std::string unixFileName(const fs::path& file) {
    static const auto convert = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) {
        throw std::runtime_error("the database tests attach to a Linux server and run under Wine only");
    }
    // Wine converts only what exists; a file not there yet (a missing database) keeps the rest of its name.
    fs::path existing = fs::absolute(file);
    fs::path rest;
    while (!fs::exists(existing) && existing.has_relative_path()) {
        rest = existing.filename() / rest;
        existing = existing.parent_path();
    }
    const std::unique_ptr<char, FreeWithProcessHeap> name(convert(existing.c_str()));
    if (!name) {
        throw std::runtime_error("Wine gives no Linux name for " + utf8Text(existing));
    }
    std::string text = name.get();
    for (const auto& part : rest) {
        text += "/" + utf8Text(part);
    }
    if (text.find(':') != std::string::npos) {
        throw std::runtime_error("the server would take " + text + " for a host name");
    }
    return text;
}

// Wine's temporary folder is on drive C:, which the servers see only through a link named "c:" that they take for
// a host name; the tests' files go below the fixture's folder instead. Wine takes TMP from its registry, not from
// the environment CTest gives, hence set here, before any test makes a scratch folder.
const bool kScratchBelowTheFixture = [] {
    if (const char* folder = std::getenv("VELMORA_FIREBIRD_FIXTURE")) {
        ::SetEnvironmentVariableW(L"TMP", (utf8Path(folder) / "scratch").c_str());
    }
    return true;
}();

}  // namespace

fs::path firebirdFixtureFolder() {
    const char* folder = std::getenv("VELMORA_FIREBIRD_FIXTURE");
    if (folder == nullptr) {
        throw std::runtime_error("VELMORA_FIREBIRD_FIXTURE is not set; the test runs through CTest");
    }
    return utf8Path(folder);
}

std::string databaseConnectionText(const fs::path& serverFolder, const fs::path& file) {
    return "127.0.0.1/" + std::to_string(std::stoi(readBytes(serverFolder / "port"))) + ":" + unixFileName(file);
}

std::string databaseConnectionText(const fs::path& file) {
    return databaseConnectionText(firebirdFixtureFolder(), file);
}

}  // namespace velmora::test
