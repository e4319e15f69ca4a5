#include "update/update_check.h"

namespace velmora {

void UpdateCheck::PrepararAtualizador(const std::string& /*databaseName*/, const std::string& serverIniPath) {
    serverIniPath_ = serverIniPath;
}

// This build ships no updater yet: the program always runs on as it is.
void UpdateCheck::VerificarAtualizacao(Connection& /*connection*/, int /*mode*/) {}

}  // namespace velmora
