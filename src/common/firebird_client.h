#pragma once

// The Firebird/InterBase client the monitor talks through: its file, its version and the functions of its
// interface, found by name (firebird_functions.h). Only the database classes and their tests include this header.

#include <ibase.h>

#include <string>
#include <string_view>

#include "common/database_error.h"
#include "common/firebird_functions.h"

namespace velmora {

struct FirebirdClient {
    std::string file;     // where it was loaded from, UTF-8
    std::string version;  // as the client names itself, e.g. "WI-V3.0.11.33637 Firebird 3.0"; empty when it cannot

// ibase.h marks isc_interprete deprecated; it is the only message function of the oldest clients.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define VELMORA_FIREBIRD_MEMBER(name) decltype(&::name) name = nullptr;
    VELMORA_FIREBIRD_REQUIRED_FUNCTIONS(VELMORA_FIREBIRD_MEMBER)
    VELMORA_FIREBIRD_OPTIONAL_FUNCTIONS(VELMORA_FIREBIRD_MEMBER)
#undef VELMORA_FIREBIRD_MEMBER
#pragma GCC diagnostic pop

    // Firebird 2.5 and newer take the database path in UTF-8 (isc_dpb_utf8_filename); older clients and
    // InterBase take it in the system's ANSI code page.
    bool takesUtf8FileNames() const;
    // "<file> (<version>)" for the journal.
    std::string description() const;
};

// The client of this program, loaded on first use (firebird_loader.h). Throws FirebirdClientMissing, the same
// each time it is asked.
const FirebirdClient& firebirdClient();

// The client's text for a failed call's status vector, one line per message as Firebird's own tools print it.
std::string statusText(const FirebirdClient& client, const ISC_STATUS* status);
DatabaseError toDatabaseError(const FirebirdClient& client, const ISC_STATUS* status);

// Whether the version text names Firebird 2.5 or newer.
bool versionTakesUtf8FileNames(std::string_view version);

}  // namespace velmora
