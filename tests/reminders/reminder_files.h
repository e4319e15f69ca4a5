#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/file_bytes.h"

namespace velmora::test {

// The outbox folders under an e-mail folder.
struct Outbox {
    std::filesystem::path emailFolder;

    std::filesystem::path folder() const { return emailFolder / "Caixa de Saída"; }
    std::filesystem::path monthFolder(const std::string& yearMonth) const {
        return folder() / "Aviso de Vencimento" / yearMonth;
    }
    // Control files, sorted by name.
    std::vector<std::string> controlFiles() const {
        std::vector<std::string> names;
        for (const auto& name : namesIn(folder())) {
            if (name.ends_with(".cfe")) {
                names.push_back(name);
            }
        }
        return names;
    }
};

}  // namespace velmora::test
