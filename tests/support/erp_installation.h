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
    // The ERP writes its INI files in the ANSI code page; an administrator's editor may save them in UTF-8.
    enum class IniEncoding { Windows1252, Utf8 };

    // `folderName`, when given, is a folder of the scratch folder that holds the whole installation.
    explicit ErpInstallation(const std::string& folderName = {}, IniEncoding encoding = IniEncoding::Windows1252,
                             const std::string& databaseName = "velmora.fdb");

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path programFolder() const { return root() / "ERP"; }
    std::filesystem::path programPath() const { return programFolder() / "velmoraMonitorPublicacao"; }
    std::filesystem::path erpIni() const { return programFolder() / "velmoraempresa.ini"; }
    std::filesystem::path dataFolder() const { return root() / "Servidor" / "Dados"; }
    // As the monitor spells the server data folder: with a trailing separator.
    std::string dataFolderText() const { return dataFolder().string() + "/"; }
    std::filesystem::path serverIni() const { return dataFolder() / "velmora.ini"; }
    std::filesystem::path databaseFile() const { return dataFolder() / databaseName_; }
    std::filesystem::path lockFile() const { return dataFolder() / "velmoraMonitorPublicacao.lock"; }
    std::filesystem::path flagFile() const { return dataFolder() / "Conectado.txt"; }

    void writeErpIni(const std::string& serverIniPath) const;
    void writeServerIni(const std::string& server, const std::string& path, const std::string& name) const;
    // Moves the server data folder (server INI, lock, journal, flag) to `folder`, a share of the test's own; the
    // database stays where it is.
    void useDataFolder(const std::filesystem::path& folder) const;

    // What a connection of the test's own to the installation's database needs (support/database_location.h).
    ConnectionSettings connectionSettings() const;
    std::unique_ptr<Connection> connect() const;

private:
    void writeIni(const std::filesystem::path& path, const std::string& text) const;

    velmora::ScratchFolder scratch_;
    std::filesystem::path root_;
    IniEncoding encoding_;
    std::string databaseName_;
};

}  // namespace velmora::test
