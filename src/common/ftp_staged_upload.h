#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

class FtpClient;

// A file sent into the client's current remote folder under a temporary name of our own, which takes its real
// name only once it is complete: readers never see a part of it under that name, and a file that someone else
// wrote is never added to. Until then the temporary file is ours, and it is removed again, as far as the server
// still allows, however the attempt ends.
class FtpStagedUpload {
public:
    // `listing`: the folder's names, so that the temporary name is one nobody uses.
    FtpStagedUpload(FtpClient& ftp, const std::string& finalName, const std::vector<std::string>& listing);
    ~FtpStagedUpload();
    FtpStagedUpload(const FtpStagedUpload&) = delete;
    FtpStagedUpload& operator=(const FtpStagedUpload&) = delete;

    const std::string& temporaryName() const { return temporaryName_; }
    void send(const std::filesystem::path& localFile);
    // The server holds exactly `size` bytes under the temporary name; false also when it does not tell sizes.
    bool arrivedWhole(std::int64_t size);
    // From then on the file is the folder's, no longer ours to remove.
    void renameTo(const std::string& name);

private:
    FtpClient& ftp_;
    std::string temporaryName_;
    bool ours_ = false;  // may exist on the server
};

// "." + the name + "." + random hex digits + ".tmp", one that the listing does not hold, whatever the case.
std::string temporaryFtpName(const std::string& finalName, const std::vector<std::string>& listing);

}  // namespace velmora
