#include "common/firebird_loader.h"

#include <dlfcn.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <string_view>

namespace velmora {

// The client turns a file name into the character set of the locale before it opens the file; under the C
// locale of a service or a plain program no accented name would survive. Names here are the file system's
// UTF-8 bytes, whatever the locale says.
FirebirdClient loadFirebirdClient() {
    if (std::string_view(nl_langinfo(CODESET)) != "UTF-8") {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    FirebirdClient client;
    // Linked in: the linker has found every function already.
    const std::string missing = bindFirebirdFunctions(client, [](const char* name) -> void* {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define VELMORA_LINKED_FUNCTION(function)                 \
    if (std::strcmp(name, #function) == 0) {              \
        return reinterpret_cast<void*>(&::function);      \
    }
        VELMORA_FIREBIRD_REQUIRED_FUNCTIONS(VELMORA_LINKED_FUNCTION)
        VELMORA_FIREBIRD_OPTIONAL_FUNCTIONS(VELMORA_LINKED_FUNCTION)
#undef VELMORA_LINKED_FUNCTION
#pragma GCC diagnostic pop
        return nullptr;
    });
    if (!missing.empty()) {
        throw FirebirdClientMissing("A biblioteca do cliente Firebird (libfbclient) não tem a função " + missing +
                                    ", de que o monitor precisa.");
    }
    Dl_info where{};
    if (::dladdr(reinterpret_cast<void*>(client.isc_attach_database), &where) != 0 && where.dli_fname != nullptr) {
        client.file = where.dli_fname;
    }
    return client;
}

}  // namespace velmora
