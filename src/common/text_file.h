#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

// Whole file as UTF-8, decoded by its byte-order mark or else as Windows-1252. Throws std::runtime_error
// with a Portuguese message naming the file.
std::string readTextFile(const std::filesystem::path& path);

// As readTextFile, but a file without byte-order mark that is valid UTF-8 is read as UTF-8.
std::string readTextFilePreferringUtf8(const std::filesystem::path& path);

// First line of the file as UTF-8; empty for an empty file.
std::string readFirstLine(const std::filesystem::path& path);

// Writes the lines in Windows-1252, without byte-order mark, each one (the last too) ended by CR LF,
// replacing an existing file. Throws std::runtime_error with a Portuguese message naming the file.
void writeTextFile(const std::filesystem::path& path, const std::vector<std::string>& linesUtf8);

// As writeTextFile, but through a temporary file in the same folder that is flushed to disk and renamed
// over the target, so that a reader sees the old content or the new one, never a part. On failure no
// temporary file is left behind.
void writeTextFileAtomically(const std::filesystem::path& path, const std::vector<std::string>& linesUtf8);

}  // namespace velmora
