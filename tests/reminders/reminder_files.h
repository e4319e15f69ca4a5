#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velmora::test {

inline std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names in a folder, sorted; none when the folder is missing.
inline std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    if (std::filesystem::is_directory(folder)) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

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
