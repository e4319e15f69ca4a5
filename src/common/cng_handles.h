#pragma once

// Windows only: handles of CNG (bcrypt) objects that close themselves.
#include <windows.h>
#include <bcrypt.h>

#include <memory>
#include <type_traits>

namespace velmora {

struct CngAlgorithmCloser {
    void operator()(BCRYPT_ALG_HANDLE algorithm) const { BCryptCloseAlgorithmProvider(algorithm, 0); }
};
struct CngHashDestroyer {
    void operator()(BCRYPT_HASH_HANDLE hash) const { BCryptDestroyHash(hash); }
};
struct CngKeyDestroyer {
    void operator()(BCRYPT_KEY_HANDLE key) const { BCryptDestroyKey(key); }
};
using CngAlgorithm = std::unique_ptr<std::remove_pointer_t<BCRYPT_ALG_HANDLE>, CngAlgorithmCloser>;
using CngHash = std::unique_ptr<std::remove_pointer_t<BCRYPT_HASH_HANDLE>, CngHashDestroyer>;
using CngKey = std::unique_ptr<std::remove_pointer_t<BCRYPT_KEY_HANDLE>, CngKeyDestroyer>;

// The provider of the algorithm (BCRYPT_SHA256_ALGORITHM, ...); none when this system has no such provider.
inline CngAlgorithm openCngAlgorithm(const wchar_t* name) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    return CngAlgorithm(BCryptOpenAlgorithmProvider(&algorithm, name, nullptr, 0) >= 0 ? algorithm : nullptr);
}

}  // namespace velmora
