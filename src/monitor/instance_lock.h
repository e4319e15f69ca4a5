#pragma once

#include <string>

namespace velmora {

// The lock file marks the installation's running monitor in the server data folder; the flag file there asks
// every monitor to stop. Folders come with their trailing separator, as ObterPastaDadosServidor returns them.

// Program file name without its extension + ".lock" (the whole name when it has no extension).
std::string NomeArquivoTrava(const std::string& programPath);
bool ExisteArquivoTrava(const std::string& programPath, const std::string& folder);
// Raises the file error when the lock cannot be written.
void CriarArquivoTrava(const std::string& programPath, const std::string& folder);
// A lock that cannot be deleted is left behind without complaint.
void ExcluirArquivoTrava(const std::string& programPath, const std::string& folder);

inline constexpr const char* kDisconnectFlagName = "Conectado.txt";
inline constexpr const char* kDisconnectWord = "DESCONECTAR";

}  // namespace velmora
