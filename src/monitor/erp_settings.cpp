#include "monitor/erp_settings.h"

#include "common/ini_file.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "monitor/monitor_ui.h"
#include "monitor/process_control.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {
constexpr char kSeparator = fs::path::preferred_separator;

std::string upToLastSeparator(const std::string& path) {
    const auto last = path.rfind(kSeparator);
    return last == std::string::npos ? std::string{} : path.substr(0, last + 1);
}
}  // namespace

ErpSettings::ErpSettings(fs::path programPath, MonitorUi& ui, ProcessControl& process)
    : programPath_(std::move(programPath)), ui_(ui), process_(process) {}

std::string ErpSettings::programFolder() const { return utf8Text(programPath_.parent_path()); }

fs::path ErpSettings::erpIniPath() const {
    const std::string folder = programFolder();
    const bool erp4 = fs::exists(utf8Path(folder + kSeparator + "velmoraempresa4.exe"));
    return utf8Path(folder + kSeparator + (erp4 ? "velmoraempresa4" : "velmoraempresa") + ".ini");
}

std::string ErpSettings::serverIniName() const {
    return IniFile(erpIniPath()).readString("IniServidor", "nomearquivo");
}

ErpSettings::DataFolder ErpSettings::locateServerDataFolder() const {
    if (fs::exists(erpIniPath())) {
        const std::string serverIni = serverIniName();
        return {upToLastSeparator(serverIni),
                fs::exists(utf8Path(serverIni)) ? std::string{}
                                      : "Não foi encontrado o arquivo de inicialização dentro da pasta velmora Empresa"};
    }
    const std::string folder = upToLastSeparator(programFolder()) + "Dados" + kSeparator;
    return {folder, fs::is_directory(utf8Path(folder)) ? std::string{} : "Não foi encontrado a pasta Dados no servidor"};
}

std::string ErpSettings::serverDataFolder() const {
    DataFolder folder = locateServerDataFolder();
    if (!folder.problem.empty()) {
        ui_.showMessageBox(kSystemMessageTitle, folder.problem, MessageIcon::Error);
        process_.requestQuit();
    }
    return std::move(folder.path);
}

void ErpSettings::requireServerIni(const std::string& serverIni) const {
    if (serverIni.empty() || !fs::exists(utf8Path(serverIni))) {
        constexpr const char* message = "Não foi encontrado o arquivo de inicialização";
        ui_.showMessageBox(kSystemMessageTitle, message, MessageIcon::Error);
        throw SettingsMissing(message);
    }
}

std::string ErpSettings::serverIniFile() const {
    const std::string serverIni = serverIniName();
    requireServerIni(serverIni);
    return serverIni;
}

std::string ErpSettings::failureNoticeAddress() const {
    try {
        const std::string serverIni = serverIniName();
        if (serverIni.empty()) {
            return {};
        }
        return trimmed(IniFile(utf8Path(serverIni)).readString("Monitor", "EmailFalhas"));
    } catch (const std::exception&) {
        return {};
    }
}

std::string ErpSettings::databasePath() const {
    const std::string serverIni = serverIniFile();
    const IniFile ini(utf8Path(serverIni));
    const std::string server = ini.readString("Database", "Servidor");
    const std::string location = ini.readString("Database", "path") + ini.readString("Database", "name");
    return trimmed(trimmed(server).empty() ? location : server + ":" + location);
}

}  // namespace velmora
