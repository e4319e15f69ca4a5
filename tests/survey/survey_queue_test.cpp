#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_folder.h"
#include "common/utf8_path.h"
#include "survey/survey_queue.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(SurveyQueue, TheMaskIgnoresCaseAndWantsAnExtensionThatBeginsWithTxt) {
    const struct {
        const char* name;
        bool queued;
    } cases[] = {
        {"PQS_123.txt", true},        {"PQS_123.TXT", true},       {"pqs_123.Txt", true},
        {"PQS_123.txt2", true},       {"PQS_.txt", true},          {"PQS_a.b.txt", true},
        {"ERROPQS_123.txt", false},   {"PQS_123.csv", false},      {"PQS_123", false},
        {"PQS123.txt", false},        {"XPQS_123.txt", false},     {"PQS_123.tx", false},
        {"PQS_123.txt.tmp", false},   {"resposta.txt", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isSurveyFileName(c.name), c.queued) << c.name;
    }
}

TEST(SurveyQueue, ListsOnlyFilesInNameOrderWithoutRegardToCase) {
    const ScratchFolder folder;
    for (const char* name : {"PQS_b.txt", "pqs_C.txt", "PQS_A.txt", "PQS_a.txt", "outro.txt", "ERROPQS_0.txt"}) {
        std::ofstream(folder.path() / name) << name;
    }
    fs::create_directory(folder.path() / "PQS_pasta.txt");

    std::vector<std::string> names;
    for (const fs::path& file : listSurveyQueue(folder.path())) {
        EXPECT_EQ(file.parent_path(), folder.path());
        names.push_back(utf8Text(file.filename()));
    }
    // Where the file system ignores case (Windows), "PQS_a.txt" was written into "PQS_A.txt".
    std::vector<std::string> expected{"PQS_A.txt", "PQS_a.txt", "PQS_b.txt", "pqs_C.txt"};
    if (fs::equivalent(folder.path() / "PQS_A.txt", folder.path() / "PQS_a.txt")) {
        expected.erase(expected.begin() + 1);
    }
    EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace velmora
