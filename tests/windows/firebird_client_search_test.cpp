// Where the Windows program takes the Firebird client from, and what it tells when none there serves. Stand-in
// clients (VELMORA_STAND_INS) leave "<their path>.loaded" behind when loaded.
#include "common/firebird_client_search.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/firebird_loader.h"
#include "common/utf8_path.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using platform::FirebirdClientSearch;

const fs::path kStandIns = utf8Path(VELMORA_STAND_INS);
const fs::path kClient64 = kStandIns / "client" / "fbclient.dll";
const fs::path kClient32 = kStandIns / "x86" / "fbclient.dll";
const fs::path kClientNeedingAbsent = kStandIns / "needs-absent" / "fbclient.dll";
const fs::path kAbsentLibrary = kStandIns / "absent" / "velmora_absent.dll";
const fs::path kClientWithoutFetch = kStandIns / "without-fetch" / "fbclient.dll";

// A stand-in put into a folder under a client's name.
struct Placed {
    fs::path standIn;
    fs::path folder;
    fs::path name = L"fbclient.dll";
};

void put(const fs::path& standIn, const fs::path& folder, const fs::path& name = L"fbclient.dll") {
    fs::create_directories(folder);
    fs::copy_file(standIn, folder / name, fs::copy_options::overwrite_existing);
}

bool loaded(const fs::path& client) { return fs::exists(client.wstring() + L".loaded"); }

fs::path moduleFile(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    return fs::path(std::wstring(path, ::GetModuleFileNameW(module, path, MAX_PATH)));
}

bool sameFile(const fs::path& a, const fs::path& b) {
    return _wcsicmp(a.lexically_normal().c_str(), b.lexically_normal().c_str()) == 0;
}

// The current folder and PATH hold a client and the library the stand-in needs: neither may be used.
class FirebirdClientSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        put(kClient64, planted);
        put(kAbsentLibrary, planted, L"velmora_absent.dll");
        previousFolder = fs::current_path();
        fs::current_path(planted);
        wchar_t path[32767] = {};
        previousPath.assign(path, ::GetEnvironmentVariableW(L"PATH", path, 32767));
        ::SetEnvironmentVariableW(L"PATH", (planted.wstring() + L";" + previousPath).c_str());
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(L"PATH", previousPath.c_str());
        fs::current_path(previousFolder);
        EXPECT_FALSE(loaded(planted / "fbclient.dll")) << "the client of the current folder was loaded";
    }

    // The search's folders hold these stand-ins and nothing else.
    void placeOnly(const std::vector<Placed>& clients) const {
        for (const fs::path& folder : search.folders()) {
            fs::remove_all(folder);
        }
        for (const Placed& client : clients) {
            put(client.standIn, client.folder, client.name);
        }
    }

    ScratchFolder scratch;
    fs::path planted = scratch / "atual";
    FirebirdClientSearch search{scratch / "Monitor", {scratch / "Firebird_3_0"}, scratch / "system32"};
    fs::path previousFolder;
    std::wstring previousPath;
};

std::string missingText(const FirebirdClientSearch& search) {
    try {
        const HMODULE module = platform::loadFirebirdClientLibrary(search).module;
        ADD_FAILURE() << "loaded " << utf8Text(moduleFile(module));
    } catch (const FirebirdClientMissing& error) {
        return error.what();
    }
    return {};
}

// A client that does not serve does not stop the search; the first that serves is taken, fbclient.dll before
// gds32.dll in each folder.
TEST_F(FirebirdClientSearchTest, TakesTheFirstClientThatServesInTheOrderOfTheFolders) {
    const fs::path program = search.programFolder;
    const fs::path installation = search.installationFolders[0];
    const fs::path system = search.systemFolder;
    struct Case {
        const char* name;
        std::vector<Placed> clients;
        fs::path expected;
    };
    const Case cases[] = {
        {"program folder first", {{kClient64, program}, {kClient64, installation}}, program / "fbclient.dll"},
        {"a registered installation before the system folder",
         {{kClient64, installation}, {kClient64, system}},
         installation / "fbclient.dll"},
        {"the system folder last", {{kClient64, system}}, system / "fbclient.dll"},
        {"past a 32-bit one", {{kClient32, program}, {kClient64, system}}, system / "fbclient.dll"},
        {"gds32.dll where there is no fbclient.dll", {{kClient64, program, L"gds32.dll"}}, program / "gds32.dll"},
        {"fbclient.dll before gds32.dll of the same folder",
         {{kClient64, program, L"gds32.dll"}, {kClient64, program}},
         program / "fbclient.dll"},
        {"gds32.dll of the program folder before fbclient.dll of the system's",
         {{kClient64, program, L"gds32.dll"}, {kClient64, system}},
         program / "gds32.dll"},
        {"past one lacking a function, to the gds32.dll beside it",
         {{kClientWithoutFetch, program}, {kClient64, program, L"gds32.dll"}},
         program / "gds32.dll"},
        // Last: Wine keeps a file whose import failed mapped, so it cannot be removed for a case after it.
        {"past one missing a library",
         {{kClientNeedingAbsent, program}, {kClient64, installation}},
         installation / "fbclient.dll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        placeOnly(c.clients);
        const platform::LoadedFirebirdClient loaded = platform::loadFirebirdClientLibrary(search);
        EXPECT_TRUE(sameFile(moduleFile(loaded.module), c.expected)) << utf8Text(moduleFile(loaded.module));
        EXPECT_TRUE(sameFile(utf8Path(loaded.client.file), c.expected)) << loaded.client.file;
        ::FreeLibrary(loaded.module);
    }
}

// The user reads why: which file, what is wrong with it, and where a 64-bit client can go.
TEST_F(FirebirdClientSearchTest, WhenNoneServesTheMessageTellsTheCauseAndTheRemedy) {
    const std::string programFolder = utf8Text(search.programFolder);
    const std::string installation = utf8Text(search.installationFolders[0]);
    const std::string kNeeded = "um cliente de 64 bits do Firebird (fbclient.dll) ou do InterBase (gds32.dll)";
    struct Case {
        const char* name;
        std::vector<Placed> clients;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"none anywhere",
         {},
         {"Não foi encontrada a biblioteca do cliente Firebird (fbclient.dll ou gds32.dll)", "\"" + programFolder +
              "\", \"" + installation + "\", \"" + utf8Text(search.systemFolder) + "\".", kNeeded,
          "Copie o fbclient.dll de 64 bits para a pasta do monitor, \"" + programFolder + "\""}},
        {"the ERP's 32-bit one in a registered installation",
         {{kClient32, search.installationFolders[0]}},
         {"\"" + utf8Text(search.installationFolders[0] / "fbclient.dll") + "\" é de 32 bits",
          kNeeded, "Copie o fbclient.dll de 64 bits para a pasta do monitor, \"" + programFolder +
                                         "\", sem substituir o fbclient.dll de 32 bits que o ERP usa."}},
        {"the ERP's 32-bit one in the monitor's own folder",
         {{kClient32, search.programFolder}},
         {"\"" + utf8Text(search.programFolder / "fbclient.dll") + "\" é de 32 bits",
          "da pasta do monitor é o que o ERP usa e deve ficar",
          "para a pasta de sistema, \"" + utf8Text(search.systemFolder) + "\""}},
        {"one lacking a function the monitor calls, as gds32.dll",
         {{kClientWithoutFetch, search.programFolder, L"gds32.dll"}},
         {"\"" + utf8Text(search.programFolder / "gds32.dll") + "\" não tem a função isc_dsql_fetch", kNeeded}},
        // Last, for the reason above.
        {"a library it needs is missing (found in the current folder and PATH only)",
         {{kClientNeedingAbsent, search.programFolder}},
         {"\"" + utf8Text(search.programFolder / "fbclient.dll") + "\" não pôde ser carregada porque falta uma "
                                                                 "biblioteca de que ela depende",
          "Visual C++"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        placeOnly(c.clients);
        const std::string message = missingText(search);
        for (const std::string& part : c.expected) {
            EXPECT_NE(message.find(part), std::string::npos) << "missing: " << part << "\nin: " << message;
        }
    }
}

// HKLM\SOFTWARE\Firebird Project\Firebird Server\Instances as a Firebird installer writes it; removed again.
class RegisteredInstallation {
public:
    explicit RegisteredInstallation(const fs::path& folder)
        : name_(L"velmora-test-" + std::to_wstring(::GetCurrentProcessId())) {
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstances, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr) != ERROR_SUCCESS) {
            throw std::runtime_error("the Firebird instances key could not be created");
        }
        const std::wstring text = folder.wstring();
        ::RegSetValueExW(key_, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    ~RegisteredInstallation() {
        ::RegDeleteValueW(key_, name_.c_str());
        ::RegCloseKey(key_);
        // The keys this left empty; one that holds anything stays.
        for (const wchar_t* key : {kInstances, L"SOFTWARE\\Firebird Project\\Firebird Server",
                                   L"SOFTWARE\\Firebird Project"}) {
            HKEY opened = nullptr;
            DWORD subkeys = 1;
            DWORD values = 1;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) == ERROR_SUCCESS) {
                ::RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
                ::RegCloseKey(opened);
            }
            if (subkeys != 0 || values != 0 || ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key) != ERROR_SUCCESS) {
                break;
            }
        }
    }
    RegisteredInstallation(const RegisteredInstallation&) = delete;
    RegisteredInstallation& operator=(const RegisteredInstallation&) = delete;

private:
    static constexpr const wchar_t* kInstances = L"SOFTWARE\\Firebird Project\\Firebird Server\\Instances";
    std::wstring name_;
    HKEY key_ = nullptr;
};

TEST_F(FirebirdClientSearchTest, ThisComputersFoldersAreTheProgramsTheRegisteredInstallationsAndTheSystems) {
    const fs::path installation = scratch / "Firebird" / "Firebird_3_0";
    put(kClient64, installation);
    const RegisteredInstallation registered(installation);

    FirebirdClientSearch here = platform::firebirdClientSearch();
    const std::vector<fs::path> folders = here.folders();
    wchar_t system[MAX_PATH] = {};
    ASSERT_GE(folders.size(), 3u);
    EXPECT_TRUE(sameFile(folders.front(), utf8Path(VELMORA_TEST_PROGRAM_FOLDER)));
    EXPECT_TRUE(sameFile(folders.back(), std::wstring(system, ::GetSystemDirectoryW(system, MAX_PATH))));
    EXPECT_TRUE(std::any_of(folders.begin() + 1, folders.end() - 1,
                            [&](const fs::path& folder) { return sameFile(folder, installation); }));

    here.programFolder = scratch / "Monitor";  // the test programs' folder may hold a real client
    const HMODULE module = platform::loadFirebirdClientLibrary(here).module;
    EXPECT_TRUE(sameFile(moduleFile(module), installation / "fbclient.dll")) << utf8Text(moduleFile(module));
    ::FreeLibrary(module);
}

}  // namespace
}  // namespace velmora
