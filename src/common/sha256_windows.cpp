#include "common/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <memory>
#include <stdexcept>
#include <type_traits>

namespace velmora {

namespace {

struct AlgorithmCloser {
    void operator()(BCRYPT_ALG_HANDLE algorithm) const { BCryptCloseAlgorithmProvider(algorithm, 0); }
};
struct HashDestroyer {
    void operator()(BCRYPT_HASH_HANDLE hash) const { BCryptDestroyHash(hash); }
};
using Algorithm = std::unique_ptr<std::remove_pointer_t<BCRYPT_ALG_HANDLE>, AlgorithmCloser>;
using Hash = std::unique_ptr<std::remove_pointer_t<BCRYPT_HASH_HANDLE>, HashDestroyer>;

[[noreturn]] void fail() { throw std::runtime_error("Não foi possível calcular o resumo SHA-256."); }

}  // namespace

std::array<unsigned char, 32> sha256(std::string_view bytes) {
    BCRYPT_ALG_HANDLE openedAlgorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&openedAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) {
        fail();
    }
    const Algorithm algorithm(openedAlgorithm);
    BCRYPT_HASH_HANDLE createdHash = nullptr;
    if (BCryptCreateHash(algorithm.get(), &createdHash, nullptr, 0, nullptr, 0, 0) < 0) {
        fail();
    }
    const Hash hash(createdHash);
    std::array<unsigned char, 32> digest{};
    if (BCryptHashData(hash.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                       static_cast<ULONG>(bytes.size()), 0) < 0 ||
        BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0) < 0) {
        fail();
    }
    return digest;
}

}  // namespace velmora
