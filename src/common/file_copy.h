#pragma once

#include <filesystem>

namespace velmora {

// Copies `source` over `target` so that `target` is at every moment the old file or the complete new one: the
// copy is written under a temporary name beside the target, flushed to disk and renamed over it. On failure the
// old file stays as it was, no temporary file is left behind, and std::runtime_error carries a Portuguese message
// naming the file.
void copyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace velmora
