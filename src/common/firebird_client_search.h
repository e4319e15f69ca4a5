#pragma once

// Windows only: where the monitor looks for the Firebird client, and how it loads it.

#include <windows.h>

#include <filesystem>
#include <vector>

#include "common/firebird_client.h"

namespace velmora::platform {

// Only full paths: a client that the current folder or PATH could supply would be whatever sits there.
struct FirebirdClientSearch {
    std::filesystem::path programFolder;
    std::vector<std::filesystem::path> installationFolders;  // the Firebird installations registered here
    std::filesystem::path systemFolder;

    // In the order they are tried, each once.
    std::vector<std::filesystem::path> folders() const;
};

// This computer's folders: the monitor's own, those of HKLM\SOFTWARE\Firebird Project\Firebird Server\Instances,
// and the system folder.
FirebirdClientSearch firebirdClientSearch();

struct LoadedFirebirdClient {
    HMODULE module = nullptr;
    FirebirdClient client;
};

// From the first folder where one loads and has every function the monitor calls: fbclient.dll, or where that is
// missing or does not serve, gds32.dll; what it needs comes from its own folder and the system's, never from the
// current folder nor PATH. A client that does not serve (32-bit, missing a library, lacking a function) does not
// stop the search. Throws FirebirdClientMissing telling why each one found did not serve, or which folders were
// searched.
LoadedFirebirdClient loadFirebirdClientLibrary(const FirebirdClientSearch& search);

}  // namespace velmora::platform
