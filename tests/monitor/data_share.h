#pragma once

#include <filesystem>

#include "support/erp_installation.h"
#include "support/scratch_folder.h"
#include "support/small_disk.h"
#include "support/update_folder.h"

namespace velmora::test {

// The installation's server data folder on a small disk of its own, as a share that can fill up or turn
// read-only; the update folder beside it holds the current program, so start-up runs on. Check skipReason().
struct DataShare {
    explicit DataShare(const ErpInstallation& erp) : disk(scratch / "Dados", 1 << 20) {
        if (disk.skipReason()) {
            return;
        }
        erp.useDataFolder(disk.folder());
        const std::filesystem::path update = scratch / "Update";
        std::filesystem::create_directories(update);
        copyWithSameTime(erp.programPath(), update);
        writeStandInUpdater(update / "velmoraAtualizador.exe");
    }

    const std::optional<std::string>& skipReason() const { return disk.skipReason(); }
    std::filesystem::path lockFile() const { return disk.folder() / "velmoraMonitorPublicacao.lock"; }
    std::filesystem::path journalFile() const { return disk.folder() / "velmoraMonitorPublicacao.log"; }

    ScratchFolder scratch;
    SmallDisk disk;
};

}  // namespace velmora::test
