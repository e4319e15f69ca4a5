#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace velmora {

class FtpClient;
class MonitorServices;

// Where a workbook went and how it ended, for the run journal and the grid.
struct PublicationResult {
    bool ok = false;
    std::string target;      // the folder, or "ftp://host:port/folder"; never the account
    std::int64_t bytes = 0;  // the workbook's size
    std::string error;       // why it did not go out
};

// Publishes a report's workbook (program folder/Excel/<name>.xlsx) and reschedules the report when it is out.
class PublishingTargets {
public:
    PublishingTargets(MonitorServices& services, FtpClient& ftp) : services_(services), ftp_(ftp) {}

    // A transfer that fails is told in "Observações:" and returned; errors before the transfer are thrown.
    PublicationResult uploadWorkbookToFtp(int reportId);
    // Errors are thrown.
    PublicationResult saveWorkbookToFolder(int reportId);

private:
    MonitorServices& services_;
    FtpClient& ftp_;
};

// Size of a local file in bytes; fails when the file cannot be opened for reading.
std::int64_t measureFileSize(const std::filesystem::path& file);

}  // namespace velmora
