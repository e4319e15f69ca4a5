#pragma once

#include <string>
#include <string_view>

namespace velmora {

// "SHA256:" + the unpadded base64 of the key's SHA-256, as OpenSSH shows a host key.
std::string sshFingerprint(std::string_view keyBlob);

}  // namespace velmora
