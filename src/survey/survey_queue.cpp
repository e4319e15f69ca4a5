#include "survey/survey_queue.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/file_error.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

char foldedAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return foldedAscii(a) == foldedAscii(b); });
}

std::string foldedName(std::string name) {
    for (char& c : name) {
        c = foldedAscii(c);
    }
    return name;
}

}  // namespace

bool isSurveyFileName(const std::string& name) {
    constexpr std::string_view prefix = "PQS_";
    if (!startsWithIgnoringCase(name, prefix)) {
        return false;
    }
    const auto dot = name.find_last_of('.');
    return dot != std::string::npos && dot >= prefix.size() &&
           startsWithIgnoringCase(std::string_view(name).substr(dot), ".txt");
}

std::vector<fs::path> listSurveyQueue(const fs::path& folder) {
    std::vector<fs::path> queue;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::error_code typeError;
        if (isSurveyFileName(entries->path().filename().string()) && entries->is_regular_file(typeError)) {
            queue.push_back(entries->path());
        }
    }
    if (error) {
        throw std::runtime_error("Não foi possível ler a pasta de pesquisas " + folder.string() + ": " +
                                 fileErrorReason(error.value()));
    }
    // Names that differ only in case still come in a fixed order.
    std::sort(queue.begin(), queue.end(), [](const fs::path& a, const fs::path& b) {
        const std::string nameA = a.filename().string();
        const std::string nameB = b.filename().string();
        return std::pair(foldedName(nameA), nameA) < std::pair(foldedName(nameB), nameB);
    });
    return queue;
}

}  // namespace velmora
