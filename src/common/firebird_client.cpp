#include "common/firebird_client.h"

#include <array>

#include "common/firebird_loader.h"

#include "common/text_encoding.h"

namespace velmora::firebird {

Firebird::IMaster* master() {
    static Firebird::IMaster* const instance = loadFirebirdClient();
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
