#include "monitor/status_words.h"

#include <array>

namespace velmora {

std::optional<std::string> statusWordFor(unsigned code) {
    static const std::array<const char*, 6> words = {"MONITORANDO",       "GERANDO PLANILHA", "ENVIANDO PARA FTP",
                                                     "ENVIANDO PESQUISA", "DORMINDO",         "GERANDO EMAIL"};
    if (code < 1 || code > words.size()) {
        return std::nullopt;
    }
    return words[code - 1];
}

}  // namespace velmora
