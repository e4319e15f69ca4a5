#include "common/firebird_client.h"

#include <array>
#include <clocale>
#include <string_view>

#ifndef _WIN32
#include <langinfo.h>
#endif

#include "common/text_encoding.h"

namespace velmora::firebird {

namespace {

// The client turns a file name into the character set of the locale before it opens the file; under the C
// locale of a service or a plain program no accented name would survive. Names here are the file system's
// UTF-8 bytes, whatever the locale says.
Firebird::IMaster* masterWithUtf8FileNames() {
#ifndef _WIN32
    if (std::string_view(nl_langinfo(CODESET)) != "UTF-8") {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
#endif
    return Firebird::fb_get_master_interface();
}

}  // namespace

Firebird::IMaster* master() {
    static Firebird::IMaster* const instance = masterWithUtf8FileNames();
    return instance;
}

Firebird::IUtil* util() { return master()->getUtilInterface(); }

DatabaseError toDatabaseError(const Firebird::FbException& error) {
    std::array<char, 4096> text{};
    util()->formatStatus(text.data(), static_cast<unsigned>(text.size()), error.getStatus());

    std::vector<std::intptr_t> codes;
    const std::intptr_t* vector = error.getStatus()->getErrors();
    while (vector != nullptr && vector[0] != isc_arg_end) {
        const auto kind = vector[0];
        if (kind == isc_arg_gds) {
            codes.push_back(vector[1]);
        }
        vector += (kind == isc_arg_cstring) ? 3 : 2;
    }
    return DatabaseError(windows1252ToUtf8(text.data()), std::move(codes));
}

}  // namespace velmora::firebird
