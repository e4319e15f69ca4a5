#include "common/sha256.h"

#include <stdexcept>

#include "common/cng_handles.h"

namespace velmora {

namespace {

[[noreturn]] void fail() { throw std::runtime_error("Não foi possível calcular o resumo SHA-256."); }

}  // namespace

std::array<unsigned char, 32> sha256(std::string_view bytes) {
    const CngAlgorithm algorithm = openCngAlgorithm(BCRYPT_SHA256_ALGORITHM);
    if (!algorithm) {
        fail();
    }
    BCRYPT_HASH_HANDLE createdHash = nullptr;
    if (BCryptCreateHash(algorithm.get(), &createdHash, nullptr, 0, nullptr, 0, 0) < 0) {
        fail();
    }
    const CngHash hash(createdHash);
    std::array<unsigned char, 32> digest{};
    if (BCryptHashData(hash.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                       static_cast<ULONG>(bytes.size()), 0) < 0 ||
        BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0) < 0) {
        fail();
    }
    return digest;
}

}  // namespace velmora
