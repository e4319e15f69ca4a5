#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace velmora {

// The file's bytes unchanged, no more than `maximumBytes` of them. Throws std::runtime_error with a Portuguese
// message naming the file.
std::string readFileBytes(const std::filesystem::path& path,
                          std::size_t maximumBytes = std::numeric_limits<std::size_t>::max());

// Whole file as UTF-8, decoded by its byte-order mark or else as Windows-1252. Throws std::runtime_error
// with a Portuguese message naming the file.
std::string readTextFile(const std::filesystem::path& path);

// As readTextFile, but a file without byte-order mark that is valid UTF-8 is read as UTF-8.
std::string readTextFilePreferringUtf8(const std::filesystem::path& path);

// First line of the file as UTF-8; empty for an empty file.
std::string readFirstLine(const std::filesystem::path& path);
// The same, reading no more than the first `maximumBytes` of the file (the line may be cut there).
std::string readFirstLine(const std::filesystem::path& path, std::size_t maximumBytes);

// Writes the lines in Windows-1252, without byte-order mark, each one (the last too) ended by CR LF,
// replacing an existing file. Throws std::runtime_error with a Portuguese message naming the file.
void writeTextFile(const std::filesystem::path& path, const std::vector<std::string>& linesUtf8);

// As writeTextFile, but through a temporary file in the same folder that is flushed to disk and renamed
// over the target, so that a reader sees the old content or the new one, never a part. On failure no
// temporary file is left behind.
void writeTextFileAtomically(const std::filesystem::path& path, const std::vector<std::string>& linesUtf8);

}  // namespace velmora
