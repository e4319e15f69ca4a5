#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

std::string base64Encoded(std::string_view bytes);
// None for text that is not base64.
std::optional<std::string> base64Decoded(std::string_view text);

// "SHA256:" + the unpadded base64 of the key's SHA-256, as OpenSSH shows a host key.
std::string sshFingerprint(std::string_view keyBlob);

}  // namespace velmora
