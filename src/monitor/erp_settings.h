#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace velmora {

class MonitorUi;
class ProcessControl;

inline constexpr const char* kSystemMessageTitle = "Aviso do Sistema";

// A setting that start-up cannot do without; its message has been shown to the user already.
class SettingsMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Finds the ERP installation through its own INI files: the ERP INI beside the program names the server INI,
// which holds the database location; the server INI's folder is the server data folder. Nothing is cached:
// every call reads the files again, so a change on the server is seen at the next call.
class ErpSettings {
public:
    ErpSettings(std::filesystem::path programPath, MonitorUi& ui, ProcessControl& process);

    const std::filesystem::path& programPath() const { return programPath_; }
    // Folder of the program file, without a trailing separator.
    std::string programFolder() const;
    std::filesystem::path erpIniPath() const;

    // Where the server data folder is, and what is wrong with it, without telling anybody.
    struct DataFolder {
        std::string path;     // with a trailing separator, also when it was not found
        std::string problem;  // the message for the user; empty when the folder is there
    };
    DataFolder locateServerDataFolder() const;

    // The server data folder with a trailing separator. On failure it tells the user, asks the program to
    // end, and still returns the folder text.
    std::string serverDataFolder() const;
    // The database connection text; tells the user and throws SettingsMissing when the server INI is missing.
    std::string databasePath() const;
    // Full path of the server INI; tells the user and throws SettingsMissing when it is missing.
    std::string serverIniFile() const;

    // Key EmailFalhas of section Monitor in the server INI: where failure notices go; empty when there is none or
    // the INI cannot be read (nobody is told: the notice is optional).
    std::string failureNoticeAddress() const;

private:
    std::string serverIniName() const;
    void requireServerIni(const std::string& serverIni) const;

    std::filesystem::path programPath_;
    MonitorUi& ui_;
    ProcessControl& process_;
};

}  // namespace velmora
