#pragma once

#include <firebird/Interface.h>

#include <stdexcept>

namespace velmora {

// The Firebird client is missing, or older than 3.0 (it has no OO API); the text names what the monitor needs.
class FirebirdClientMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The client's master interface: linked in on Linux, loaded at run time on Windows from the monitor's folder, a
// registered Firebird installation or the system folder (firebird_client_search.h). Throws FirebirdClientMissing.
Firebird::IMaster* loadFirebirdClient();

}  // namespace velmora
