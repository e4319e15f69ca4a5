#include "common/ftp_trust.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <type_traits>

#include "common/base64.h"

namespace velmora {

namespace {

struct StoreCloser {
    void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
using CertificateStore = std::unique_ptr<std::remove_pointer_t<HCERTSTORE>, StoreCloser>;

}  // namespace

// Given a CA blob, Schannel trusts nothing else: the machine's trusted roots go in with the site's own.
std::string certificatesToTrust(const std::string& sitePem) {
    std::string bundle;
    const CertificateStore roots(CertOpenSystemStoreW(0, L"ROOT"));
    if (roots) {
        PCCERT_CONTEXT certificate = nullptr;  // each call releases the one before
        while ((certificate = CertEnumCertificatesInStore(roots.get(), certificate)) != nullptr) {
            const std::string text = base64Encoded(std::string_view(
                reinterpret_cast<const char*>(certificate->pbCertEncoded), certificate->cbCertEncoded));
            bundle += "-----BEGIN CERTIFICATE-----\n";
            for (std::size_t at = 0; at < text.size(); at += 64) {
                bundle += text.substr(at, 64) + "\n";
            }
            bundle += "-----END CERTIFICATE-----\n";
        }
    }
    return bundle + sitePem;
}

std::string nameMismatchHint(const std::string& server) {
    const bool ipAddress =
        server.find_first_not_of("0123456789.") == std::string::npos || server.find(':') != std::string::npos;
    if (!ipAddress) {
        return {};
    }
    return "; no Windows o servidor FTPS deve ser indicado pelo nome que consta no certificado (por exemplo "
           "ftps://ftp.empresa.com.br), não pelo endereço IP";
}

// libssh2 on Windows' own cryptography checks host keys only as ssh-rsa or ssh-dss.
std::string sshAlgorithmsHint() {
    return "; no Windows este programa confere a chave do servidor apenas como ssh-rsa, que o OpenSSH 8.8 e os mais "
           "novos desligam: acrescente \"HostKeyAlgorithms +ssh-rsa\" ao sshd_config do servidor (com uma chave RSA)";
}

}  // namespace velmora
