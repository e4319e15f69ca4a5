#include "common/firebird_client.h"

#include <array>
#include <charconv>
#include <vector>

#include "common/firebird_loader.h"
#include "common/text_encoding.h"

namespace velmora {

const FirebirdClient& firebirdClient() {
    // A client that could not be loaded is looked for again on the next call.
    static const FirebirdClient client = loadFirebirdClient();
    return client;
}

std::string bindFirebirdFunctions(FirebirdClient& client, const std::function<void*(const char* name)>& lookup) {
    std::string missing;
#define VELMORA_BIND_REQUIRED(name)                                                \
    client.name = reinterpret_cast<decltype(client.name)>(lookup(#name));          \
    if (client.name == nullptr && missing.empty()) {                               \
        missing = #name;                                                           \
    }
#define VELMORA_BIND_OPTIONAL(name) client.name = reinterpret_cast<decltype(client.name)>(lookup(#name));
    VELMORA_FIREBIRD_REQUIRED_FUNCTIONS(VELMORA_BIND_REQUIRED)
    VELMORA_FIREBIRD_OPTIONAL_FUNCTIONS(VELMORA_BIND_OPTIONAL)
#undef VELMORA_BIND_REQUIRED
#undef VELMORA_BIND_OPTIONAL
    client.version.clear();
    if (missing.empty() && client.isc_get_client_version != nullptr) {
        std::array<char, 256> text{};  // the client writes a short name, without telling the room it needs
        client.isc_get_client_version(text.data());
        text.back() = '\0';
        client.version = text.data();
    }
    return missing;
}

bool versionTakesUtf8FileNames(std::string_view version) {
    constexpr std::string_view kFirebird = "Firebird ";
    const auto at = version.rfind(kFirebird);
    if (at == std::string_view::npos) {
        return false;  // InterBase, or a client too old to name itself
    }
    const std::string_view number = version.substr(at + kFirebird.size());
    int major = 0;
    int minor = 0;
    const auto [afterMajor, majorError] = std::from_chars(number.data(), number.data() + number.size(), major);
    if (majorError != std::errc{} || afterMajor == number.data() + number.size() || *afterMajor != '.') {
        return false;
    }
    std::from_chars(afterMajor + 1, number.data() + number.size(), minor);
    return major > 2 || (major == 2 && minor >= 5);
}

bool FirebirdClient::takesUtf8FileNames() const { return versionTakesUtf8FileNames(version); }

std::string FirebirdClient::description() const { return version.empty() ? file : file + " (" + version + ")"; }

std::string statusText(const FirebirdClient& client, const ISC_STATUS* status) {
    std::string text;
    // isc_interprete writes without a bound; its clients' lines are far shorter than this.
    std::array<char, 4096> line{};
    const ISC_STATUS* next = status;
    for (;;) {
        line[0] = '\0';
        const ISC_LONG length =
            client.fb_interpret != nullptr
                ? client.fb_interpret(line.data(), static_cast<unsigned>(line.size()), &next)
                : client.isc_interprete(line.data(), const_cast<ISC_STATUS**>(&next));
        if (length <= 0) {
            break;
        }
        line.back() = '\0';
        text += (text.empty() ? "" : "\n-") + std::string(line.data());
    }
    if (text.empty() && status[1] != 0) {
        text = "erro " + std::to_string(status[1]) + " do cliente Firebird";
    }
    return windows1252ToUtf8(text);
}

DatabaseError toDatabaseError(const FirebirdClient& client, const ISC_STATUS* status) {
    std::vector<std::intptr_t> codes;
    const ISC_STATUS* vector = status;
    while (vector[0] != isc_arg_end) {
        const auto kind = vector[0];
        if (kind == isc_arg_gds) {
            codes.push_back(vector[1]);
        }
        vector += (kind == isc_arg_cstring) ? 3 : 2;
    }
    return DatabaseError(statusText(client, status), std::move(codes));
}

}  // namespace velmora
