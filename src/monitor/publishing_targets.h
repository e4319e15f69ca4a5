#pragma once

#include <cstdint>
#include <filesystem>

namespace velmora {

class FtpClient;
class MonitorServices;

// Publishes a report's workbook (program folder/Excel/<name>.xlsx) and reschedules the report when it is out.
class PublishingTargets {
public:
    PublishingTargets(MonitorServices& services, FtpClient& ftp) : services_(services), ftp_(ftp) {}

    void EnviarPlanilhaFTP(int reportId);
    void SalvarPlanilhaPasta(int reportId);

private:
    MonitorServices& services_;
    FtpClient& ftp_;
};

// Size of a local file in bytes; fails when the file cannot be opened for reading.
std::int64_t ObterTamanhoArquivo(const std::filesystem::path& file);

}  // namespace velmora
