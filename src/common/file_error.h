#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// The reason of a failed file operation in the user's language; strerror would answer in English.
std::string fileErrorReason(int errnoValue);

// "Não foi possível <action> o arquivo <path>: <reason>", the text of a file error that the user reads.
std::string fileErrorMessage(std::string_view action, const std::filesystem::path& path, int errnoValue);

}  // namespace velmora
