#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "update/parameter_table_upgrade.h"
#include "update/update_host.h"

namespace velmora {

class Connection;
class ProcessLauncher;

// Start-up check of the program against the copy in the server's update folder: marker files of a fresh
// installation, the parameter-table upgrade, and the hand-over to the updater when the copies differ.
class UpdateCheck {
public:
    // desktopFolder: where the shortcut of a fresh installation goes; empty for the user's desktop.
    UpdateCheck(std::filesystem::path programPath, UpdateHost& host, ProcessLauncher& launcher,
                std::filesystem::path desktopFolder = {});
    virtual ~UpdateCheck() = default;
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // Records what the check needs once the first connection has succeeded.
    virtual void prepareUpdater(const std::string& databaseName, const std::string& serverIniPath);
    // Mode 1 compares the program files; it may ask the program to end or hand over to the updater.
    virtual void checkForUpdate(Connection& connection, int mode);
    // Starts the updater of the update folder and, only once it runs, gives the installation up to it and ends
    // this process. An updater that cannot be started is told, and the program goes on with the version it has.
    void handOverToUpdater();

    // Marker files left by the installer in the program folder.
    void handleInstallerMarkers();
    void createDesktopShortcut();
    void copyProgramsFromMasterFolder();

    const std::string& serverIniPath() const { return serverIniPath_; }
    const std::string& programFileName() const { return programFileName_; }
    const std::string& programFolder() const { return programFolder_; }
    // None when the server INI path gives no sound folder; the program files are then not compared.
    const std::optional<std::string>& updateFolder() const { return updateFolder_; }
    std::string updaterCommandLine() const;
    const ErpVersionInfo& erpVersion() const { return erpVersion_; }

private:
    std::string inProgramFolder(const std::string& name) const;
    std::string inUpdateFolder(const std::string& name) const;
    void showBox(const std::string& text, UpdateMessageIcon icon);
    void compareProgramFiles();
    // A file the comparison needs is missing from the update folder: tell, and end once start-up is over.
    void failUpdate(const std::string& missingFileName);

    std::filesystem::path programPath_;
    UpdateHost& host_;
    ProcessLauncher& launcher_;
    std::filesystem::path desktopFolder_;

    std::string serverIniPath_;
    std::string programFileName_;
    std::string programFolder_;
    std::optional<std::string> updateFolder_;
    ErpVersionInfo erpVersion_;
};

}  // namespace velmora
