#pragma once

#include <filesystem>
#include <string_view>

#include "common/file_descriptor.h"

namespace velmora {

// The new content of a file, written under a temporary name beside it. commit() flushes it to disk and renames
// it over the target, so that a reader sees the old file or the whole new one; without commit() the temporary
// file is removed. Failures throw std::runtime_error with a Portuguese message naming the target.
class FileReplacement {
public:
    explicit FileReplacement(std::filesystem::path target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    [[noreturn]] void fail(int errnoValue) const;

    std::filesystem::path target_;
    std::filesystem::path temporary_;  // empty once renamed
    FileDescriptor descriptor_;
};

}  // namespace velmora
