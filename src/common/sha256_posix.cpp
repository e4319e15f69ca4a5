#include "common/sha256.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace velmora {

std::array<unsigned char, 32> sha256(std::string_view bytes) {
    std::array<unsigned char, 32> digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != digest.size()) {
        throw std::runtime_error("Não foi possível calcular o resumo SHA-256.");
    }
    return digest;
}

}  // namespace velmora
