#include "survey/survey_queue.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/file_error.h"
#include "common/platform_files.h"
#include "common/text.h"
#include "common/utf8_path.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
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
        if (isSurveyFileName(utf8Text(entries->path().filename())) && entries->is_regular_file(typeError)) {
            queue.push_back(entries->path());
        }
    }
    if (error) {
        throw std::runtime_error("Não foi possível ler a pasta de pesquisas " + utf8Text(folder) + ": " +
                                 fileErrorReason(platform::errnoOf(error)));
    }
    // Names that differ only in case still come in a fixed order.
    std::sort(queue.begin(), queue.end(), [](const fs::path& a, const fs::path& b) {
        const std::string nameA = utf8Text(a.filename());
        const std::string nameB = utf8Text(b.filename());
        return std::pair(toLowerAscii(nameA), nameA) < std::pair(toLowerAscii(nameB), nameB);
    });
    return queue;
}

}  // namespace velmora
