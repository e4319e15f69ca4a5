#pragma once

#include <filesystem>
#include <string>

namespace velmora {

// "Não foi possível gravar a planilha <path>: <reason>".
std::string workbookWriteError(const std::filesystem::path& workbook, const std::string& reason);

// 0 when `target` is missing or can be replaced by a new file, else the errno value that prevents it: a folder
// in its place, or a file that cannot be opened for writing (in use, read only).
int replaceBlocker(const std::filesystem::path& target);

// Removes what runs killed while writing left in `folder`: temporary workbooks not touched for an hour (a run
// in progress touches its own all the time).
void removeAbandonedTemporaryWorkbooks(const std::filesystem::path& folder) noexcept;

// A new, empty file beside `target` that a workbook is written into before it takes the target's place.
// Removed on destruction unless it was moved over the target.
class TemporaryWorkbookFile {
public:
    explicit TemporaryWorkbookFile(const std::filesystem::path& target);
    ~TemporaryWorkbookFile();
    TemporaryWorkbookFile(const TemporaryWorkbookFile&) = delete;
    TemporaryWorkbookFile& operator=(const TemporaryWorkbookFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Flushes the written file to disk and renames it over the target, so that readers see the old workbook
    // or the new one, never a part.
    void replaceTarget();

private:
    std::filesystem::path target_;
    std::filesystem::path path_;
};

}  // namespace velmora
