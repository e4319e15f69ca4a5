#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "common/firebird_client.h"

namespace velmora {

// No Firebird/InterBase client serves; the text names what the monitor needs and why each client found does not serve.
class FirebirdClientMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The client: linked in on Linux, loaded at run time on Windows from the monitor's folder, a registered Firebird
// installation or the system folder (firebird_client_search.h). Throws FirebirdClientMissing.
FirebirdClient loadFirebirdClient();

// Fills the client's functions by name through `lookup` and asks it for its version. Returns the name of the
// first required function the client lacks, empty when it has them all.
std::string bindFirebirdFunctions(FirebirdClient& client, const std::function<void*(const char* name)>& lookup);

}  // namespace velmora
