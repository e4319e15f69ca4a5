#include "common/ftp_trust.h"

namespace velmora {

std::string certificatesToTrust(const std::string& sitePem) { return sitePem; }

std::string nameMismatchHint(const std::string&) { return {}; }

std::string sshAlgorithmsHint() {
    return "; com uma chave RSA, o servidor deve aceitá-la também como ssh-rsa (num OpenSSH 8.8 ou mais novo: "
           "\"HostKeyAlgorithms +ssh-rsa\" no sshd_config) ou ter também uma chave ECDSA ou Ed25519";
}

}  // namespace velmora
