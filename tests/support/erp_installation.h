#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "common/connection.h"
#include "support/scratch_folder.h"

namespace velmora::test {

// A throwaway ERP installation: the program folder with the ERP INI and a stand-in program file, the server
// data folder with the server INI, and an embedded database copied from the fixture template.
class ErpInstallation {
public:
    ErpInstallation();

    const std::filesystem::path& root() const { return scratch_.path(); }
    std::filesystem::path programFolder() const { return root() / "ERP"; }
    std::filesystem::path programPath() const { return programFolder() / "velmoraMonitorPublicacao"; }
    std::filesystem::path erpIni() const { return programFolder() / "velmoraempresa.ini"; }
    std::filesystem::path dataFolder() const { return root() / "Servidor" / "Dados"; }
    // As the monitor spells the server data folder: with a trailing separator.
    std::string dataFolderText() const { return dataFolder().string() + "/"; }
    std::filesystem::path serverIni() const { return dataFolder() / "velmora.ini"; }
    std::filesystem::path databaseFile() const { return dataFolder() / "velmora.fdb"; }
    std::filesystem::path lockFile() const { return dataFolder() / "velmoraMonitorPublicacao.lock"; }
    std::filesystem::path flagFile() const { return dataFolder() / "Conectado.txt"; }

    void writeErpIni(const std::string& serverIniPath) const;
    void writeServerIni(const std::string& server, const std::string& path, const std::string& name) const;

    // A connection of the test's own to the installation's embedded database.
    std::unique_ptr<Connection> connect() const;

private:
    velmora::ScratchFolder scratch_;
};

}  // namespace velmora::test
