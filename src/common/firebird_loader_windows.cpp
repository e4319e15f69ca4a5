#include "common/firebird_loader.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/firebird_client_search.h"
#include "common/platform_files.h"
#include "common/utf8_path.h"
#include "common/windows_error.h"

namespace velmora {

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr wchar_t kClientFile[] = L"fbclient.dll";
// InterBase's name for its client, which Firebird installs too for older programs.
constexpr wchar_t kLegacyClientFile[] = L"gds32.dll";
const char* const kWhatTheMonitorNeeds =
    "O monitor precisa de um cliente de 64 bits do Firebird (fbclient.dll) ou do InterBase (gds32.dll).";

struct RegistryKey {
    HKEY handle = nullptr;
    ~RegistryKey() {
        if (handle != nullptr) {
            ::RegCloseKey(handle);
        }
    }
};

std::vector<fs::path> registeredInstallationFolders() {
    RegistryKey instances;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Firebird Project\\Firebird Server\\Instances", 0,
                        KEY_QUERY_VALUE, &instances.handle) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<fs::path> folders;
    for (DWORD index = 0;; ++index) {
        std::wstring name(16384, L'\0');  // the longest value name the registry allows
        auto nameLength = static_cast<DWORD>(name.size());
        const LSTATUS status =
            ::RegEnumValueW(instances.handle, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS) {
            continue;
        }
        name.resize(nameLength);
        DWORD size = 0;
        constexpr DWORD kTexts = RRF_RT_REG_SZ;  // a REG_EXPAND_SZ one too, expanded
        if (::RegGetValueW(instances.handle, nullptr, name.c_str(), kTexts, nullptr, nullptr, &size) !=
                ERROR_SUCCESS ||
            size < sizeof(wchar_t)) {
            continue;
        }
        std::wstring folder(size / sizeof(wchar_t), L'\0');
        if (::RegGetValueW(instances.handle, nullptr, name.c_str(), kTexts, nullptr, folder.data(), &size) ==
            ERROR_SUCCESS) {
            folder.resize(wcsnlen(folder.c_str(), folder.size()));
            if (!folder.empty()) {
                folders.emplace_back(folder);
            }
        }
    }
    return folders;
}

fs::path systemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    const UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    folder.resize(length < folder.size() ? length : 0);
    return folder;
}

bool isFile(const fs::path& file) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string quoted(const fs::path& path) { return "\"" + utf8Text(path) + "\""; }

// Why the client found at `file` does not serve, or nothing when it does and `loaded` holds it.
struct Attempt {
    LoadedFirebirdClient loaded;
    bool wrongBitness = false;
    std::string refusal;
};

Attempt tryClient(const fs::path& file) {
    const std::string name = "A biblioteca do cliente Firebird " + quoted(file);
    // Its own folder first for what it needs (Firebird ships its C++ runtime beside it), then the system's.
    HMODULE module = ::LoadLibraryExW(file.c_str(), nullptr,
                                      LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (module == nullptr) {
        const DWORD error = ::GetLastError();
        switch (error) {
        case ERROR_BAD_EXE_FORMAT:
        case ERROR_EXE_MACHINE_TYPE_MISMATCH:
            return {{}, true, name + " é de 32 bits; este monitor é um programa de 64 bits."};
        case ERROR_MOD_NOT_FOUND:
            return {{}, false,
                    name + " não pôde ser carregada porque falta uma biblioteca de que ela depende (por exemplo, o "
                           "Microsoft Visual C++ Redistributable de 64 bits)."};
        default:
            return {{}, false, name + " não pôde ser carregada: " + windowsErrorReason(error) + "."};
        }
    }
    FirebirdClient client;
    const std::string missing = bindFirebirdFunctions(client, [module](const char* function) {
        return reinterpret_cast<void*>(::GetProcAddress(module, function));
    });
    if (!missing.empty()) {
        ::FreeLibrary(module);
        return {{}, false, name + " não tem a função " + missing + ", de que o monitor precisa."};
    }
    client.file = utf8Text(file);
    return {{module, std::move(client)}, false, {}};
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : separator) + part;
    }
    return text;
}

// A 32-bit client usually is the ERP's own: it must stay where it is, and a 64-bit one can go beside the monitor
// unless that is the very place.
std::string whereA64BitClientGoes(const FirebirdClientSearch& search, const std::vector<fs::path>& wrongBitness) {
    const bool inProgramFolder =
        std::find(wrongBitness.begin(), wrongBitness.end(), search.programFolder / kClientFile) != wrongBitness.end();
    if (!inProgramFolder) {
        return "Copie o fbclient.dll de 64 bits para a pasta do monitor, " + quoted(search.programFolder) +
               ", sem substituir o fbclient.dll de 32 bits que o ERP usa.";
    }
    return "O fbclient.dll de 32 bits da pasta do monitor é o que o ERP usa e deve ficar; instale o cliente de 64 "
           "bits do Firebird (o monitor o encontra pela instalação registrada) ou copie o fbclient.dll de 64 bits "
           "para a pasta de sistema, " +
           quoted(search.systemFolder) + ".";
}

}  // namespace

std::vector<fs::path> FirebirdClientSearch::folders() const {
    std::vector<fs::path> ordered{programFolder};
    ordered.insert(ordered.end(), installationFolders.begin(), installationFolders.end());
    ordered.push_back(systemFolder);
    std::vector<fs::path> once;
    for (const fs::path& folder : ordered) {
        const fs::path plain = folder.lexically_normal();
        const bool seen = std::any_of(once.begin(), once.end(), [&](const fs::path& earlier) {
            return _wcsicmp(earlier.lexically_normal().c_str(), plain.c_str()) == 0;
        });
        if (!folder.empty() && !seen) {
            once.push_back(folder);
        }
    }
    return once;
}

FirebirdClientSearch firebirdClientSearch() {
    return {runningProgramFile().parent_path(), registeredInstallationFolders(), systemFolder()};
}

LoadedFirebirdClient loadFirebirdClientLibrary(const FirebirdClientSearch& search) {
    const std::vector<fs::path> folders = search.folders();
    std::vector<std::string> refusals;
    std::vector<fs::path> wrongBitness;
    for (const fs::path& folder : folders) {
        for (const wchar_t* name : {kClientFile, kLegacyClientFile}) {
            const fs::path file = folder / name;
            if (!isFile(file)) {
                continue;
            }
            Attempt attempt = tryClient(file);
            if (attempt.loaded.module != nullptr) {
                return std::move(attempt.loaded);
            }
            refusals.push_back(attempt.refusal);
            if (attempt.wrongBitness) {
                wrongBitness.push_back(file);
            }
        }
    }
    std::vector<std::string> searched;
    for (const fs::path& folder : folders) {
        searched.push_back(quoted(folder));
    }
    std::string message = refusals.empty() ? "Não foi encontrada a biblioteca do cliente Firebird (fbclient.dll ou gds32.dll) "
                                             "em nenhuma destas pastas: " +
                                                 joined(searched, ", ") + "."
                                           : joined(refusals, " ");
    message += std::string(" ") + kWhatTheMonitorNeeds;
    if (refusals.empty() || !wrongBitness.empty()) {
        message += " " + whereA64BitClientGoes(search, wrongBitness);
    }
    throw FirebirdClientMissing(message);
}

}  // namespace platform

// The library stays loaded for the life of the program.
FirebirdClient loadFirebirdClient() {
    return platform::loadFirebirdClientLibrary(platform::firebirdClientSearch()).client;
}

}  // namespace velmora
