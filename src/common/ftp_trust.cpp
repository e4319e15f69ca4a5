#include "common/ftp_trust.h"

#include <initializer_list>

namespace velmora {

namespace {

bool mentionsAny(std::string_view text, std::initializer_list<std::string_view> words) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    for (const std::string_view word : words) {
        if (lower.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

CertificateProblem certificateProblem(std::string_view tlsText) {
    if (mentionsAny(tlsText, {"expired", "not yet valid", "not_time_valid"})) {
        return CertificateProblem::Expired;
    }
    if (mentionsAny(tlsText, {"does not match", "did not match", "failed to match", "no alternative certificate subject name",
                              "wrong_principal", "cn_no_match", "principal name"})) {
        return CertificateProblem::NameMismatch;
    }
    if (mentionsAny(tlsText, {"issuer", "self-signed", "self signed", "untrusted_root", "untrustedroot",
                              "not trusted", "partial_chain", "unable to verify the first certificate"})) {
        return CertificateProblem::UnknownIssuer;
    }
    return CertificateProblem::Other;
}

std::string certificateRefusal(const std::string& server, std::string_view tlsText) {
    switch (certificateProblem(tlsText)) {
    case CertificateProblem::Expired:
        return "o certificado do servidor " + server + " está vencido ou ainda não é válido (a verificação da "
               "validade falhou)";
    case CertificateProblem::NameMismatch:
        return "o certificado apresentado não é do servidor " + server + " (o nome do servidor não confere com o "
               "do certificado)" + nameMismatchHint(server);
    case CertificateProblem::UnknownIssuer:
        return "o certificado do servidor " + server + " foi emitido por uma autoridade desconhecida, em que este "
               "computador não confia; se o servidor usa um certificado próprio, coloque-o (formato PEM) no "
               "arquivo " + kSiteCertificatesFileName + " da pasta de dados do servidor";
    case CertificateProblem::Other:
        break;
    }
    return "o certificado do servidor " + server + " foi recusado (" + std::string(tlsText) + ")";
}

std::string sshSessionFailure(std::string_view libraryText) {
    return "a sessão SSH com o servidor não pôde ser iniciada (" + std::string(libraryText) + "): o servidor "
           "encerrou a negociação ou não oferece nenhum método de troca de chaves, de criptografia ou de chave do "
           "servidor que este programa conheça" + sshAlgorithmsHint();
}

std::string hostKeyChanged(const std::string& server, const std::string& recorded, const std::string& presented) {
    return "a chave do servidor SFTP " + server + " não é a registrada (registrada: " + recorded +
           "; apresentada agora: " + presented + "); a conexão foi recusada. Se a chave do servidor foi trocada de "
           "propósito, um administrador deve apagar a linha desse servidor no arquivo " + kKnownHostsFileName +
           " da pasta de dados do servidor";
}

std::string hostKeyRecorded(const std::string& server, const std::string& fingerprint) {
    return "Primeira conexão ao servidor SFTP " + server + ": a chave " + fingerprint + " foi registrada em " +
           kKnownHostsFileName + ".";
}

}  // namespace velmora
