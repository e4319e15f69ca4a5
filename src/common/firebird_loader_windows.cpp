#include "common/firebird_loader.h"

#include <windows.h>


#include "common/platform_files.h"

namespace velmora {

namespace {

using MasterEntry = Firebird::IMaster*(ISC_EXPORT*)();

}  // namespace

// The ERP's own client first (beside the monitor in its program folder), then the system's search order.
Firebird::IMaster* loadFirebirdClient() {
    HMODULE client = ::LoadLibraryW((platform::runningProgramFile().parent_path() / L"fbclient.dll").c_str());
    if (client == nullptr) {
        client = ::LoadLibraryW(L"fbclient.dll");
    }
    if (client == nullptr) {
        throw FirebirdClientMissing(
            "Não foi encontrada a biblioteca do cliente Firebird (fbclient.dll) na pasta do monitor nem no "
            "sistema. O monitor precisa do cliente do Firebird 3.0 ou mais novo.");
    }
    const auto entry = reinterpret_cast<MasterEntry>(
        reinterpret_cast<void*>(::GetProcAddress(client, "fb_get_master_interface")));
    if (entry == nullptr) {
        throw FirebirdClientMissing(
            "A biblioteca do cliente Firebird (fbclient.dll) encontrada é anterior ao Firebird 3.0. O monitor "
            "precisa do cliente do Firebird 3.0 ou mais novo.");
    }
    return entry();
}

}  // namespace velmora
