#include "common/firebird_loader.h"

#include <langinfo.h>

#include <clocale>
#include <string_view>

namespace velmora {

// The client turns a file name into the character set of the locale before it opens the file; under the C
// locale of a service or a plain program no accented name would survive. Names here are the file system's
// UTF-8 bytes, whatever the locale says.
Firebird::IMaster* loadFirebirdClient() {
    if (std::string_view(nl_langinfo(CODESET)) != "UTF-8") {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    return Firebird::fb_get_master_interface();
}

}  // namespace velmora
