#include "update/update_check.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "common/file_error.h"
#include "common/platform_files.h"
#include "common/file_time.h"
#include "common/ini_file.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "update/desktop_shortcut.h"
#include "update/process_launcher.h"
#include "update/update_host.h"
#include "update/update_paths.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMessageTitle = "Aviso do Sistema";

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(utf8Path(path), ignored);
}

// To the second, as the times compare once written out as date and time text.
std::chrono::local_seconds writeTimeToTheSecond(const fs::path& file) {
    try {
        return std::chrono::floor<std::chrono::seconds>(fileModificationTime(file));
    } catch (const fs::filesystem_error& error) {
        throw std::runtime_error(fileErrorMessage("ler", file, platform::errnoOf(error.code())));
    }
}

bool isExeFileName(const std::string& name) { return toLowerAscii(name).ends_with(".exe"); }

}  // namespace

UpdateCheck::UpdateCheck(fs::path programPath, UpdateHost& host, ProcessLauncher& launcher, fs::path desktopFolder)
    : programPath_(std::move(programPath)), host_(host), launcher_(launcher), desktopFolder_(std::move(desktopFolder)) {}

void UpdateCheck::prepareUpdater(const std::string& /*databaseName*/, const std::string& serverIniPath) {
    serverIniPath_ = serverIniPath;
    programFileName_ = utf8Text(programPath_.filename());
    updateFolder_ = updateFolderFor(serverIniPath);
    programFolder_ = utf8Text(programPath_.parent_path());
}

std::string UpdateCheck::updaterCommandLine() const {
    return velmora::updaterCommandLine(updateFolder_.value_or(""), programFolder_, programFileName_);
}

std::string UpdateCheck::inProgramFolder(const std::string& name) const {
    return utf8Text(utf8Path(programFolder_) / utf8Path(name));
}

std::string UpdateCheck::inUpdateFolder(const std::string& name) const {
    return utf8Text(utf8Path(updateFolder_.value_or("")) / utf8Path(name));
}

void UpdateCheck::showBox(const std::string& text, UpdateMessageIcon icon) { host_.showMessageBox(kMessageTitle, text, icon); }

void UpdateCheck::checkForUpdate(Connection& connection, int mode) {
    if (fileExists(inProgramFolder(kDebugMarkerFileName))) {
        showBox("O aplicativo " + programFileName_ + " não será atualizado. A pasta " + programFolder_ +
                    " está com o arquivo " + kDebugMarkerFileName,
                UpdateMessageIcon::Exclamation);
        return;
    }
    if (updateFolder_) {
        std::error_code ignored;
        fs::create_directory(utf8Path(*updateFolder_), ignored);
    }
    handleInstallerMarkers();
    if (!updateFolder_) {
        // Nowhere to look for a newer copy: the program runs on as it is.
        erpVersion_ = upgradeParameterTable(connection);
        return;
    }
    if (!fileExists(inUpdateFolder(kUpdaterFileName))) {
        showBox("Não foi encontrado o velmora Atualizador no Servidor. Entre em contato com o suporte técnico da "
                "velmora.",
                UpdateMessageIcon::None);
        host_.requestQuit();
    }
    erpVersion_ = upgradeParameterTable(connection);
    if (mode != 1) {
        return;
    }
    compareProgramFiles();
}

void UpdateCheck::compareProgramFiles() {
    const std::string copy = inUpdateFolder(programFileName_);
    if (!fileExists(copy)) {
        failUpdate(programFileName_);
        return;
    }
    if (writeTimeToTheSecond(programPath_) == writeTimeToTheSecond(utf8Path(copy))) {
        return;
    }
    const std::string updater = inUpdateFolder(kUpdaterFileName);
    if (!fileExists(updater)) {
        failUpdate(kUpdaterFileName);
        return;
    }
    host_.showGenericMessage("AVISO: Existe uma nova versão do aplicativo " + nameUpToFirstStop(programFileName_) +
                                 ". A atualização será feita automaticamente. Aguarde...",
                             false, true);
    handOverToUpdater();
}

void UpdateCheck::handOverToUpdater() {
    const std::string updater = inUpdateFolder(kUpdaterFileName);
    try {
        launcher_.startDetached(utf8Path(updater), commandLineWords(updaterCommandLine()));
    } catch (const ProgramStartError& failure) {
        // The lock is still held and nothing has ended: the monitor can go on as it is.
        showBox("Não foi possível iniciar o velmora Atualizador (" + updater + "): " + failure.reason() +
                    ". O monitor continua com a versão atual.",
                UpdateMessageIcon::Exclamation);
        return;
    }
    host_.handingOver();
    // The updater replaces this program's file: nothing of it may stay running.
    host_.endProcess();
}

void UpdateCheck::failUpdate(const std::string& missingFileName) {
    showBox("Falha na atualização do aplicativo. Não foi encontrado o arquivo " + missingFileName + " na pasta " +
                *updateFolder_ + ".\rO Sistema será finalizado.",
            UpdateMessageIcon::Exclamation);
    host_.requestQuit();
}

void UpdateCheck::handleInstallerMarkers() {
    const std::string markerIni = inProgramFolder(execMarkerIniFileName(programFileName_));
    const std::string marker = inProgramFolder(execMarkerFileName(programFileName_));
    std::error_code ignored;
    if (fileExists(markerIni)) {
        createDesktopShortcut();
        fs::remove(utf8Path(marker), ignored);
        if (programFileName_ == "velmoraEmpresa.exe" || programFileName_ == "velmoraEmpresa4.exe") {
            copyProgramsFromMasterFolder();
        }
        fs::remove(utf8Path(markerIni), ignored);
    }
    fs::remove(utf8Path(marker), ignored);
}

void UpdateCheck::createDesktopShortcut() {
    const fs::path desktop = desktopFolder_.empty() ? userDesktopFolder() : desktopFolder_;
    const std::string name = withoutExeExtension(programFileName_);
    writeDesktopShortcut(desktop / utf8Path(desktopShortcutFileName(programFileName_)), "Novo " + name, name, programPath_);
}

void UpdateCheck::copyProgramsFromMasterFolder() {
    const std::string master =
        IniFile(utf8Path(inProgramFolder(execMarkerIniFileName(programFileName_)))).readString("configuracao", "pastamestre");
    // Without a master folder there is nothing to copy (the bare pattern would name the root folder).
    if (master.empty() || !updateFolder_) {
        return;
    }
    std::error_code error;
    for (fs::directory_iterator entry(utf8Path(master), error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = utf8Text(entry->path().filename());
        std::error_code ignored;
        if (!isExeFileName(name) || !entry->is_regular_file(ignored)) {
            continue;
        }
        const std::string target = inUpdateFolder(name);
        if (!fileExists(target)) {
            fs::copy_file(entry->path(), utf8Path(target), fs::copy_options::overwrite_existing, ignored);
        }
    }
}

}  // namespace velmora
