#include "common/ssh_fingerprint.h"

#include "common/base64.h"
#include "common/sha256.h"

namespace velmora {

std::string sshFingerprint(std::string_view keyBlob) {
    const auto digest = sha256(keyBlob);
    std::string text = base64Encoded(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
    while (!text.empty() && text.back() == '=') {
        text.pop_back();
    }
    return "SHA256:" + text;
}

}  // namespace velmora
