#include "support/update_folder.h"

#include <fstream>
#include <stdexcept>

namespace velmora::test {

namespace fs = std::filesystem;

fs::path updateFolderOf(const ErpInstallation& erp) { return erp.dataFolder().parent_path() / "Update"; }

void writeStandInUpdater(const fs::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "#!/bin/sh\n"
           "here=$(dirname \"$0\")\n"
           "cut -d' ' -f6 /proc/$$/stat > \"$here/updater-session.txt\"\n"
           "for fd in /proc/$$/fd/*; do readlink \"$fd\"; done > \"$here/updater-files.txt\"\n"
           "printf '%s\\n' \"$@\" > \"$here/updater-arguments.part\"\n"
           "mv \"$here/updater-arguments.part\" \"$here/updater-arguments.txt\"\n";
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    fs::permissions(file, fs::perms::owner_all, fs::perm_options::add);
}

fs::path updaterArgumentsFile(const fs::path& updateFolder) { return updateFolder / "updater-arguments.txt"; }

void copyWithSameTime(const fs::path& program, const fs::path& folder) {
    const fs::path copy = folder / program.filename();
    fs::copy_file(program, copy, fs::copy_options::overwrite_existing);
    fs::last_write_time(copy, fs::last_write_time(program));
}

void provideUpdateFolder(const ErpInstallation& erp) {
    const fs::path folder = updateFolderOf(erp);
    fs::create_directories(folder);
    copyWithSameTime(erp.programPath(), folder);
    writeStandInUpdater(folder / "velmoraAtualizador.exe");
}

}  // namespace velmora::test
