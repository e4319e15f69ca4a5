#include "common/database_path.h"

#include "common/database_error.h"

namespace velmora {

std::string databasePathForAnsiClient(const std::string& utf8Path, const std::string& clientDescription) {
    if (std::optional<std::string> ansi = platform::ansiCodePageText(utf8Path)) {
        return *ansi;
    }
    throw DatabaseError("O caminho do banco de dados \"" + utf8Path +
                        "\" tem caracteres que a página de código do sistema não representa, e o cliente " +
                        clientDescription +
                        " só aceita caminhos nessa página de código (o Firebird 2.5 e os mais novos aceitam qualquer "
                        "caminho). Use um caminho sem esses caracteres ou um cliente Firebird 2.5 ou mais novo.");
}

}  // namespace velmora
