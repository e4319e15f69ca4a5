#include "monitor/instance_lock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/platform_files.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"
#include "support/small_disk.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = "/opt/erp/velmoraMonitorPublicacao";

TEST(InstanceLock, LockNameIsTheProgramFileNameWithoutItsExtension) {
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/erp/velmoraMonitorPublicacao.exe", "velmoraMonitorPublicacao.lock"},
        {"/opt/erp/Monitor.Teste.exe", "Monitor.Teste.lock"},
        {"/opt/erp/  monitor.exe  ", "monitor.lock"},
        {"/opt/erp/velmoraMonitorPublicacao", "velmoraMonitorPublicacao.lock"},
        {"velmoraMonitorPublicacao.exe", "velmoraMonitorPublicacao.lock"},
    };
    for (const auto& [program, lock] : cases) {
        EXPECT_EQ(lockFileName(program), lock) << program;
    }
}

TEST(InstanceLock, OneRunWritesItOnceAndRemovesOnlyItsOwn) {
    ScratchFolder folder;
    const fs::path file = folder / "velmoraMonitorPublicacao.lock";
    InstanceLock first(file, kProgram);
    ASSERT_TRUE(first.create());
    EXPECT_TRUE(lockFileExists(kProgram, folder.path().string() + "/"));

    // The ERP's line first, then which run wrote it; Windows-1252 with CR LF.
    const std::string bytes = test::readBytes(file);
    const std::string ownerLine = "Computador " + platform::computerName() + ", processo " +
                                  std::to_string(platform::processNumber()) + ", marca ";
    EXPECT_EQ(bytes.rfind("Este arquivo indica que o monitor /opt/erp/velmoraMonitorPublicacao est\xE1 em execu\xE7\xE3o.\r\n" +
                              ownerLine,
                          0),
              0u)
        << bytes;
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

    InstanceLock second(file, kProgram);
    EXPECT_FALSE(second.create()) << "a lock that is there is never written over";
    EXPECT_EQ(test::readBytes(file), bytes);
    EXPECT_EQ(second.release(), std::nullopt);
    EXPECT_TRUE(fs::exists(file)) << "another run's lock stays";

    EXPECT_EQ(first.release(), std::nullopt);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(first.release(), std::nullopt) << "a lock that is gone needs nothing";
}

TEST(InstanceLock, RefreshingTellsWhetherTheLockIsStillThisRunsOwn) {
    ScratchFolder folder;
    const fs::path file = folder / "velmoraMonitorPublicacao.lock";
    InstanceLock lock(file, kProgram);
    ASSERT_TRUE(lock.create());
    const std::string bytes = test::readBytes(file);
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));

    EXPECT_EQ(lock.refresh().standing, InstanceLock::Standing::Own);
    EXPECT_EQ(test::readBytes(file), bytes);
    EXPECT_GT(fs::last_write_time(file), fs::file_time_type::clock::now() - std::chrono::minutes(1)) << "fresh again";

    // Removed by hand while the monitor runs: written again.
    fs::remove(file);
    EXPECT_EQ(lock.refresh().standing, InstanceLock::Standing::Own);
    EXPECT_EQ(test::readBytes(file), bytes);

    // Taken over by another start that thought this run gone: told, and left as the other run wrote it.
    fs::remove(file);
    InstanceLock other(file, kProgram);
    ASSERT_TRUE(other.create());
    const std::string othersBytes = test::readBytes(file);
    const InstanceLock::Check taken = lock.refresh();
    EXPECT_EQ(taken.standing, InstanceLock::Standing::TakenByAnother);
    EXPECT_NE(taken.problem.find(file.string()), std::string::npos) << taken.problem;
    EXPECT_EQ(lock.release(), std::nullopt);
    EXPECT_EQ(test::readBytes(file), othersBytes);
}

TEST(InstanceLock, AShareThatTurnsReadOnlyOrFullIsToldAndLeavesNoLockBehind) {
    ScratchFolder scratch;
    test::SmallDisk disk(scratch / "Dados", 1 << 20);
    if (disk.skipReason()) {
        GTEST_SKIP() << *disk.skipReason();
    }
    const fs::path file = disk.folder() / "velmoraMonitorPublicacao.lock";

    disk.fillLeaving(0);
    InstanceLock onFullDisk(file, kProgram);
    try {
        onFullDisk.create();
        ADD_FAILURE() << "a lock written on a full disk must fail";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("não há espaço livre no disco"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::exists(file)) << "no empty lock that would refuse the next start";
    disk.removeFiller();

    InstanceLock lock(file, kProgram);
    ASSERT_TRUE(lock.create());
    disk.setReadOnly(true);
    const InstanceLock::Check unwritable = lock.refresh();
    EXPECT_EQ(unwritable.standing, InstanceLock::Standing::Unproven);
    EXPECT_NE(unwritable.problem.find(file.string()), std::string::npos) << unwritable.problem;
    const auto notRemoved = lock.release();
    ASSERT_TRUE(notRemoved.has_value()) << "a lock that could not be removed is told";
    EXPECT_NE(notRemoved->find(file.string()), std::string::npos) << *notRemoved;
    disk.setReadOnly(false);
    EXPECT_EQ(lock.refresh().standing, InstanceLock::Standing::Own);
}

TEST(InstanceLock, AMissingFolderRaisesTheFileError) {
    InstanceLock lock("/nonexistent/Dados/velmoraMonitorPublicacao.lock", kProgram);
    EXPECT_THROW(lock.create(), std::runtime_error);
}

}  // namespace
}  // namespace velmora
