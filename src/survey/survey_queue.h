#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

// Whether a file name is a survey answer waiting to go: "PQS_*.txt*" without regard to case, that is a name
// that begins with "PQS_" and whose extension begins with ".txt".
bool isSurveyFileName(const std::string& name);

// The survey files of a folder (regular files only) in ascending order of name without regard to case.
// Throws with the user's message when the folder cannot be read.
std::vector<std::filesystem::path> listSurveyQueue(const std::filesystem::path& folder);

}  // namespace velmora
