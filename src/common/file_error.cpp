#include "common/file_error.h"

#include <cerrno>
#include <cstring>

#include "common/utf8_path.h"

namespace velmora {

std::string fileErrorReason(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return "arquivo ou pasta não encontrado";
    case EACCES:
    case EPERM:
        return "acesso negado";
    case EISDIR:
        return "o caminho é uma pasta";
    case ENOTDIR:
        return "uma parte do caminho não é uma pasta";
    case ENAMETOOLONG:
        return "nome de arquivo muito longo";
    case EEXIST:
        return "o arquivo já existe";
    case ENOSPC:
        return "não há espaço livre no disco";
#ifdef EDQUOT
    case EDQUOT:
        return "cota de disco excedida";
#endif
    case EROFS:
        return "o disco só permite leitura";
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return "o arquivo está em uso por outro programa";
    // A network folder lost or silent: Linux gives these for SMB and NFS shares, and Windows codes map onto them.
    case ECONNRESET:
    case ECONNABORTED:
    case ENETRESET:
    case ENETDOWN:
    case ENOTCONN:
#ifdef EHOSTDOWN
    case EHOSTDOWN:
#endif
        return "a conexão com a pasta da rede foi perdida";
    case ETIMEDOUT:
        return "a pasta da rede não respondeu a tempo";
    case EHOSTUNREACH:
    case ENETUNREACH:
        return "a pasta da rede não foi encontrada";
    case EMFILE:
    case ENFILE:
        return "arquivos abertos demais";
    case EIO:
        return "erro de leitura ou gravação no dispositivo";
    case ENOEXEC:
        return "o arquivo não é um programa que este sistema possa executar";
    case ECANCELED:
        return "a operação foi cancelada";
    default:
        return "erro " + std::to_string(errnoValue) + " (" + std::strerror(errnoValue) + ")";
    }
}

std::string fileErrorMessage(std::string_view action, const std::filesystem::path& path, int errnoValue) {
    std::string message = "Não foi possível ";
    message += action;
    message += " o arquivo ";
    message += utf8Text(path);
    message += ": ";
    message += fileErrorReason(errnoValue);
    return message;
}

}  // namespace velmora
