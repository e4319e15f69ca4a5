#include "support/erp_installation.h"

#include <fstream>

#include "common/text_encoding.h"
#include "support/database_location.h"

namespace velmora::test {

namespace fs = std::filesystem;

namespace {
void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}
}  // namespace

ErpInstallation::ErpInstallation(const std::string& folderName, IniEncoding encoding, const std::string& databaseName)
    : root_(folderName.empty() ? scratch_.path() : scratch_.path() / folderName),
      encoding_(encoding),
      databaseName_(databaseName) {
    fs::create_directories(programFolder());
    fs::create_directories(dataFolder());
    writeFile(programPath(), "stand-in for the monitor's program file\n");
    fs::copy_file(VELMORA_TEMPLATE_DB, databaseFile());
    writeErpIni(serverIni().string());
    writeServerIni("", dataFolderText(), databaseFile().filename().string());
}

void ErpInstallation::writeIni(const fs::path& path, const std::string& text) const {
    writeFile(path, encoding_ == IniEncoding::Utf8 ? text : utf8ToWindows1252(text));
}

void ErpInstallation::writeErpIni(const std::string& serverIniPath) const {
    writeIni(erpIni(), "[IniServidor]\r\nnomearquivo=" + serverIniPath + "\r\n");
}

void ErpInstallation::writeServerIni(const std::string& server, const std::string& path,
                                     const std::string& name) const {
    writeIni(serverIni(), "[Database]\r\nServidor=" + server + "\r\npath=" + path + "\r\nname=" + name + "\r\n");
}

void ErpInstallation::useDataFolder(const fs::path& folder) const {
    writeIni(folder / "velmora.ini",
             "[Database]\r\nServidor=\r\npath=" + dataFolderText() + "\r\nname=" + databaseName_ + "\r\n");
    writeErpIni((folder / "velmora.ini").string());
}

ConnectionSettings ErpInstallation::connectionSettings() const {
    return ConnectionSettings{databaseConnectionText(databaseFile()), "sysdba", "plorvatec"};
}

std::unique_ptr<Connection> ErpInstallation::connect() const {
    return std::make_unique<Connection>(connectionSettings());
}

}  // namespace velmora::test
