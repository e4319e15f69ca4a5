#include "common/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <stdexcept>

namespace velmora {

std::array<unsigned char, 32> sha256(std::string_view bytes) {
    std::array<unsigned char, 32> digest{};
    // The pseudo-handle needs neither opening nor closing (Windows 10 and Wine).
    const NTSTATUS status = BCryptHash(BCRYPT_SHA256_ALG_HANDLE, nullptr, 0,
                                       reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                                       static_cast<ULONG>(bytes.size()), digest.data(), digest.size());
    if (status < 0) {
        throw std::runtime_error("Não foi possível calcular o resumo SHA-256.");
    }
    return digest;
}

}  // namespace velmora
