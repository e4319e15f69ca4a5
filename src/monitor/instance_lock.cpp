#include "monitor/instance_lock.h"

#include <filesystem>

#include "common/text.h"
#include "common/text_file.h"
#include "common/utf8_path.h"

namespace velmora {

namespace fs = std::filesystem;

std::string NomeArquivoTrava(const std::string& programPath) {
    const auto lastSeparator = programPath.rfind(fs::path::preferred_separator);
    const std::string fileName =
        trimmed(lastSeparator == std::string::npos ? programPath : programPath.substr(lastSeparator + 1));
    const auto lastDot = fileName.rfind('.');
    return (lastDot == std::string::npos ? fileName : fileName.substr(0, lastDot)) + ".lock";
}

bool ExisteArquivoTrava(const std::string& programPath, const std::string& folder) {
    return fs::exists(utf8Path(folder + NomeArquivoTrava(programPath)));
}

void CriarArquivoTrava(const std::string& programPath, const std::string& folder) {
    writeTextFile(utf8Path(folder + NomeArquivoTrava(programPath)),
                  {"Este arquivo indica que o monitor " + programPath + " está em execução."});
}

void ExcluirArquivoTrava(const std::string& programPath, const std::string& folder) {
    std::error_code ignored;
    fs::remove(utf8Path(folder + NomeArquivoTrava(programPath)), ignored);
}

}  // namespace velmora
