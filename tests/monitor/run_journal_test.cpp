#include "monitor/run_journal.h"

#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/mount.h>
#endif
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/file_descriptor.h"
#include "common/platform_files.h"
#include "common/ptbr_format.h"
#include "common/utf8_path.h"
#include "support/fake_clock.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kSeparator(1, static_cast<char>(fs::path::preferred_separator));
const std::string kFailurePrefix = "Não foi possível gravar o diário de execução ";

// The line that record({JournalKind::Message, "monitor", true, detail}) writes at that time.
std::string messageLine(const std::string& detail, const std::string& time = "2026-12-10 09:30:00") {
    return time + "\tMENSAGEM\tmonitor\tOK\t" + detail + "\r\n";
}

// One readable line per report, so that a mismatch shows which report and which field.
std::vector<std::string> described(const std::map<std::string, JournalOutcome>& outcomes) {
    std::vector<std::string> lines;
    for (const auto& [subject, outcome] : outcomes) {
        lines.push_back(subject + " | " + (outcome.ok ? "OK" : "FALHA") + " | " + outcome.detail + " | " +
                        formatDefaultDateTime(outcome.time));
    }
    return lines;
}

TEST(RunJournal, EachEntryIsOneWindows1252LineWithCrLfAndFieldsThatCannotBreakIt) {
    struct Case {
        DateTime time;
        JournalEntry entry;
        std::string bytes;
    };
    const Case cases[] = {
        {makeDateTime(2026, 3, 7, 8, 5, 9),
         {JournalKind::Start, "/erp/velmoraMonitorPublicacao", true, "versão 2.1"},
         "2026-03-07 08:05:09\tINICIO\t/erp/velmoraMonitorPublicacao\tOK\tvers\xE3o 2.1\r\n"},
        {makeDateTime(2026, 12, 31, 23, 59, 59, 999),
         {JournalKind::Publication, "Relatório de Vendas", false, "tempo\tesgotado\r\nno servidor\n"},
         "2026-12-31 23:59:59\tPUBLICACAO\tRelat\xF3rio de Vendas\tFALHA\ttempo esgotado  no servidor \r\n"},
        {makeDateTime(2027, 1, 1),
         {JournalKind::Reminder, "cliente@exemplo.com.br", true, ""},
         "2027-01-01 00:00:00\tLEMBRETE\tcliente@exemplo.com.br\tOK\t\r\n"},
        {makeDateTime(2027, 1, 1, 0, 0, 1),
         {JournalKind::Survey, "pesquisa\r2026.csv", true, "enviado ✓"},
         "2027-01-01 00:00:01\tPESQUISA\tpesquisa 2026.csv\tOK\tenviado ?\r\n"},
        {makeDateTime(2027, 1, 1, 0, 0, 1),
         {JournalKind::Message, "Atenção", false, "€ 1.234,56"},
         "2027-01-01 00:00:01\tMENSAGEM\tAten\xE7\xE3o\tFALHA\t\x80 1.234,56\r\n"},
        {makeDateTime(2027, 1, 1, 0, 0, 2),
         {JournalKind::End, "/erp/velmoraMonitorPublicacao", true, "encerrado pelo usuário"},
         "2027-01-01 00:00:02\tFIM\t/erp/velmoraMonitorPublicacao\tOK\tencerrado pelo usu\xE1rio\r\n"},
    };
    ScratchFolder folder;
    const fs::path file = folder / "velmoraMonitorPublicacao.log";
    test::FakeClock clock;
    RunJournal journal(clock);
    journal.open(file);
    std::string expected;
    for (const auto& c : cases) {
        clock.set(c.time);
        journal.record(c.entry);
        expected += c.bytes;
    }
    journal.flush();
    EXPECT_EQ(test::readBytes(file), expected);
    EXPECT_FALSE(journal.takeFailure().has_value());
}

TEST(RunJournal, LinesWaitForOpenAndAreAppendedToWhatTheFileHolds) {
    ScratchFolder folder;
    const fs::path file = folder / "diário.log";
    const std::string yesterday = "linha de ontem\r\n";
    test::writeBytes(file, yesterday);
    test::FakeClock clock;
    {
        RunJournal journal(clock);
        journal.record({JournalKind::Message, "monitor", true, "antes de abrir"});
        journal.flush();  // nowhere to write yet: returns at once
        EXPECT_EQ(test::readBytes(file), yesterday);

        journal.open(file);
        journal.record({JournalKind::Message, "monitor", true, "depois de abrir"});
        journal.flush();
        EXPECT_EQ(test::readBytes(file), yesterday + messageLine("antes de abrir") + messageLine("depois de abrir"));

        journal.record({JournalKind::Message, "monitor", true, "na saída"});
    }
    EXPECT_EQ(test::readBytes(file),
              yesterday + messageLine("antes de abrir") + messageLine("depois de abrir") +
                  messageLine("na sa\xED" "da"))
        << "the end writes what is queued";
    EXPECT_EQ(test::namesIn(folder.path()), std::vector<std::string>{"diário.log"});
}

TEST(RunJournal, AtTheLimitOlderFilesTakeWholeLinesAndOnlyTheOldestAreDropped) {
    // Every line is 51 bytes: two fit under 110 bytes, none under 10.
    struct Case {
        const char* name;
        std::uintmax_t maxBytes;
        int keptFiles;
        int lines;
        bool flushEachLine;
        int firstKept;  // numbered from 1
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"two lines a file", 110, 2, 9, false, 5, {"j.log", "j.log.1", "j.log.2"}},
        {"one batch a line", 110, 2, 9, true, 5, {"j.log", "j.log.1", "j.log.2"}},
        {"no older files", 110, 0, 9, false, 9, {"j.log"}},
        {"lines over the limit", 10, 3, 6, false, 3, {"j.log", "j.log.1", "j.log.2", "j.log.3"}},
        {"a new file takes a line over the limit", 10, 3, 2, false, 1, {"j.log", "j.log.1"}},
        {"under the limit", 10000, 2, 9, false, 1, {"j.log"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const fs::path file = folder / "j.log";
        test::FakeClock clock;
        std::vector<std::string> lines;
        {
            RunJournal journal(clock, JournalLimits{c.maxBytes, c.keptFiles});
            journal.open(file);
            for (int number = 1; number <= c.lines; ++number) {
                const std::string detail = "linha " + std::string(number < 10 ? "0" : "") + std::to_string(number);
                lines.push_back("2026-12-10 09:30:00\tPUBLICACAO\tVendas\tOK\t" + detail + "\r\n");
                journal.record({JournalKind::Publication, "Vendas", true, detail});
                if (c.flushEachLine) {
                    journal.flush();
                }
            }
            journal.flush();
            EXPECT_FALSE(journal.takeFailure().has_value());
        }
        EXPECT_EQ(test::namesIn(folder.path()), c.names);

        std::string kept;
        std::string all;
        for (int number = c.keptFiles; number >= 0; --number) {
            const fs::path part = number == 0 ? file : olderJournalFile(file, number);
            if (!fs::exists(part)) {
                continue;  // which ones must be there, the names tell
            }
            const std::string bytes = test::readBytes(part);
            EXPECT_EQ(bytes.rfind("2026-12-10 09:30:00\t", 0), 0u) << "file " << number << " starts a line";
            EXPECT_TRUE(bytes.ends_with("\r\n")) << "file " << number << " ends a line";
            EXPECT_TRUE(bytes.size() <= c.maxBytes || bytes.size() == lines.front().size())
                << "file " << number << " holds " << bytes.size() << " bytes";
            kept += bytes;
        }
        for (std::size_t i = static_cast<std::size_t>(c.firstKept - 1); i < lines.size(); ++i) {
            all += lines[i];
        }
        EXPECT_EQ(kept, all);
    }
}

// Three failures within five fake minutes are not told; the next one, five minutes after the first, is.
std::string failUntilGivenUp(RunJournal& journal, test::FakeClock& clock) {
    const DateTime start = clock.now();
    for (const auto minute : {0min, 2min, 4min}) {
        clock.set(start + minute);
        journal.record({JournalKind::Message, "monitor", false, "durante a falha"});
        journal.flush();
        EXPECT_FALSE(journal.takeFailure().has_value()) << "not given up at minute " << minute.count();
    }
    clock.set(start + 5min);
    journal.record({JournalKind::Message, "monitor", false, "durante a falha"});
    journal.flush();
    return journal.takeFailure().value_or("");
}

TEST(RunJournal, AFileThatKeepsFailingForMinutesIsToldOnceAndWrittenAgainWhenItComesBack) {
    struct Case {
        const char* name;
        fs::path (*place)(const ScratchFolder& folder);
        void (*block)(const fs::path& journal);
        void (*unblock)(const fs::path& journal);
        const char* reason;  // none where the systems tell it differently
    };
    const Case cases[] = {
        {"a missing folder", [](const ScratchFolder& folder) { return folder / "faltando" / utf8Path("diário.log"); },
         [](const fs::path& journal) { fs::remove_all(journal.parent_path()); },
         [](const fs::path& journal) { fs::create_directories(journal.parent_path()); },
         "arquivo ou pasta não encontrado"},
        {"a folder that is a file",
         [](const ScratchFolder& folder) { return folder / "pasta" / utf8Path("diário.log"); },
         [](const fs::path& journal) {
             fs::remove_all(journal.parent_path());
             test::writeBytes(journal.parent_path(), "x");
         },
         [](const fs::path& journal) {
             fs::remove(journal.parent_path());
             fs::create_directory(journal.parent_path());
         },
         nullptr},
        {"a folder in the file's place", [](const ScratchFolder& folder) { return folder / "diário.log"; },
         [](const fs::path& journal) {
             fs::remove_all(journal);
             fs::create_directory(journal);
         },
         [](const fs::path& journal) { fs::remove(journal); }, nullptr},
#ifdef __linux__
        {"a full disk", [](const ScratchFolder&) { return fs::path("/dev/full"); }, nullptr, nullptr,
         "não há espaço livre no disco"},
#endif
    };
    const std::string kLater = "2026-12-10 09:35:00";  // when the failing has been told
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const fs::path file = c.place(folder);
        if (c.block != nullptr) {
            c.block(file);
        }
        test::FakeClock clock;
        // Only record() and flush() bring attempts here: a flush that waited for the retry time would never return.
        RunJournal journal(clock, JournalLimits{.maxWaitingLines = 3, .retryInterval = std::chrono::hours(1)});
        journal.open(file);

        const std::string failure = failUntilGivenUp(journal, clock);
        const std::string start = kFailurePrefix + utf8Text(file) + ": ";
        EXPECT_EQ(failure.rfind(start, 0), 0u) << failure;
        EXPECT_GT(failure.size(), start.size()) << "with a reason";
        if (c.reason != nullptr) {
            EXPECT_EQ(failure, start + c.reason);
        }
        for (const auto* detail : {"depois 1", "depois 2", "depois 3", "depois 4"}) {
            journal.record({JournalKind::Message, "monitor", true, detail});
            journal.flush();
        }
        EXPECT_FALSE(journal.takeFailure().has_value()) << "told once";
        if (c.unblock == nullptr) {
            continue;
        }

        c.unblock(file);
        journal.record({JournalKind::Message, "monitor", true, "de volta"});
        journal.flush();
        EXPECT_EQ(test::readBytes(file), messageLine("depois 3", kLater) + messageLine("depois 4", kLater) +
                                             messageLine("de volta", kLater))
            << "what failed before giving up is dropped; later lines wait, the oldest beyond the limit dropped";

        c.block(file);
        EXPECT_EQ(failUntilGivenUp(journal, clock), failure) << "a later failure is told again";
    }
}

TEST(RunJournal, AJournalThatRecordsNothingNewTriesAgainByItself) {
    ScratchFolder folder;
    const fs::path file = folder / "j.log";
    fs::create_directory(file);
    test::FakeClock clock;
    RunJournal journal(clock, JournalLimits{.retryInterval = 20ms});
    journal.open(file);
    journal.record({JournalKind::Publication, "Vendas", true, "planilha gravada"});
    journal.flush();  // the first attempt has failed

    fs::remove(file);
    const std::string expected = "2026-12-10 09:30:00\tPUBLICACAO\tVendas\tOK\tplanilha gravada\r\n";
    const auto deadline = std::chrono::steady_clock::now() + 1min;  // only so that a fault cannot hang the test
    while (test::readBytes(file) != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(test::readBytes(file), expected) << "with no record() or flush() to bring it";
    EXPECT_FALSE(journal.takeFailure().has_value());
}

TEST(RunJournal, ALastLineLeftWithoutItsEndIsEndedBeforeTheNextOne) {
    ScratchFolder folder;
    const fs::path file = folder / "j.log";
    const std::string cut = "2026-12-09 18:00:00\tPUBLICACAO\tVendas\tOK\tplani";
    test::writeBytes(file, cut);
    test::FakeClock clock;
    RunJournal journal(clock);
    journal.open(file);
    journal.record({JournalKind::Start, "monitor", true, "1.0"});
    journal.flush();
    EXPECT_EQ(test::readBytes(file), cut + "\r\n2026-12-10 09:30:00\tINICIO\tmonitor\tOK\t1.0\r\n");
}

#ifdef __linux__
// A tmpfs of the test's own, so that a disk can be filled up without touching the machine's.
class SmallDisk {
public:
    explicit SmallDisk(const char* options) {
        if (::mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, options) == 0) {
            mounted_ = true;
        } else {
            failure_ = std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(folder_.path().c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& failure() const { return failure_; }
    fs::path operator/(const std::string& name) const { return folder_ / name; }

private:
    ScratchFolder folder_;
    bool mounted_ = false;
    std::string failure_;
};

void fillUp(const fs::path& file) {
    const FileDescriptor out(platform::openFile(file, platform::OpenMode::CreateOrTruncate));
    const std::string block(4096, 'x');
    while (platform::writeSome(out.get(), block.data(), block.size()) > 0) {
    }
}

TEST(RunJournal, ADiskFillingUpMidBatchLeavesOnlyWholeLinesAndTheRestFollowsOnceThereIsRoom) {
    SmallDisk disk("size=256k");
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs to fill up (needs root): " << disk.failure();
    }
    const fs::path file = disk / "j.log";
    const auto detail = [](int number) { return "linha " + std::to_string(number) + " " + std::string(200, '-'); };
    const auto line = [&](int number) {
        return "2026-12-10 09:30:00\tPUBLICACAO\tVendas\tOK\t" + detail(number) + "\r\n";
    };
    test::FakeClock clock;
    RunJournal journal(clock);
    journal.open(file);
    journal.record({JournalKind::Publication, "Vendas", true, detail(0)});
    journal.flush();
    fillUp(disk / "enchimento");

    // Far more than the room left in the journal's last page.
    std::string all = line(0);
    for (int number = 1; number <= 40; ++number) {
        journal.record({JournalKind::Publication, "Vendas", true, detail(number)});
        all += line(number);
    }
    journal.flush();
    const std::string partial = test::readBytes(file);
    ASSERT_TRUE(partial.size() > line(0).size() && partial.size() < all.size())
        << "the test needs a batch that fails part-way; the file holds " << partial.size() << " bytes";
    EXPECT_TRUE(all.starts_with(partial) && partial.ends_with("\r\n")) << "whole lines, in order:\n" << partial;
    EXPECT_FALSE(journal.takeFailure().has_value()) << "a single failed batch is not told";

    fs::remove(disk / "enchimento");
    journal.flush();
    EXPECT_EQ(test::readBytes(file), all);
}
#endif

#ifdef _WIN32
TEST(RunJournal, LinesRecordedWhileAnotherProgramHoldsTheFileArriveWhenItLetsGo) {
    ScratchFolder folder;
    const fs::path file = folder / "velmoraMonitorPublicacao.log";
    const std::string yesterday = "linha de ontem\r\n";
    test::writeBytes(file, yesterday);
    test::FakeClock clock;
    RunJournal journal(clock);
    journal.open(file);
    {
        int descriptor = -1;
        ASSERT_EQ(::_wsopen_s(&descriptor, file.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYRW, 0), 0);
        const FileDescriptor held(descriptor);  // a spreadsheet program that shares it with nobody
        ASSERT_FALSE(FileDescriptor(platform::openFile(file, platform::OpenMode::Append)).valid())
            << "the test needs the file held";
        journal.record({JournalKind::Message, "monitor", true, "primeira"});
        journal.record({JournalKind::Message, "monitor", true, "segunda"});
        journal.flush();
    }
    journal.record({JournalKind::Message, "monitor", true, "terceira"});
    journal.flush();
    EXPECT_EQ(test::readBytes(file),
              yesterday + messageLine("primeira") + messageLine("segunda") + messageLine("terceira"));
    EXPECT_FALSE(journal.takeFailure().has_value());
}
#endif

TEST(RunJournal, TheLastPublicationOfEachReportIsReadFromTheOldestFileToTheCurrent) {
    ScratchFolder folder;
    const fs::path file = folder / "velmoraMonitorPublicacao.log";
    test::writeBytes(olderJournalFile(file, 4), "2026-01-01 00:00:00\tPUBLICACAO\tCaixa\tOK\tpassou dos guardados\r\n");
    test::writeBytes(olderJournalFile(file, 2),
                     "2026-01-02 08:00:00\tPUBLICACAO\tVendas\tFALHA\tsem conex\xE3o\r\n"
                     "2026-01-02 08:01:00\tPUBLICACAO\tRelat\xF3rio de Produ\xE7\xE3o\tOK\tplanilha gravada\r\n");
    test::writeBytes(olderJournalFile(file, 1),
                     "2026-01-03 09:00:00\tPUBLICACAO\tVendas\tOK\tplanilha gravada\r\n"
                     "2026-01-03 09:00:05\tLEMBRETE\tVendas\tFALHA\toutro tipo\r\n"
                     "2026-01-03 09:10:00\tPUBLICACAO\tVendas\tTALVEZ\tsitua\xE7\xE3o desconhecida\r\n"
                     "2026-13-03 09:10:00\tPUBLICACAO\tVendas\tFALHA\tm\xEAs imposs\xEDvel\r\n"
                     "2026-02-30 09:10:00\tPUBLICACAO\tVendas\tFALHA\tdia imposs\xEDvel\r\n"
                     "2026-01-03 24:00:00\tPUBLICACAO\tVendas\tFALHA\thora imposs\xEDvel\r\n"
                     "2026-01-03 09:10\tPUBLICACAO\tVendas\tFALHA\thora curta\r\n"
                     "2026-01-03 09:10:00\tPUBLICACAO\tVendas\tFALHA\r\n"
                     "2026-01-03 09:10:00\tPUBLICACAO\tVendas\tFALHA\tum\tcampo a mais\r\n"
                     "linha solta\r\n"
                     "\r\n");
    test::writeBytes(file,
                     "2026-01-04 10:00:00\tPUBLICACAO\tEstoque\tFALHA\ttempo esgotado\r\n"
                     "2026-01-04 10:00:00\tINICIO\t/erp/velmoraMonitorPublicacao\tOK\t\r\n"
                     "2026-01-04 10:05:00\tPUBLICACAO\tEstoque\tOK\t");

    EXPECT_EQ(described(readLastPublications(file, 3)), (std::vector<std::string>{
                                                             "Estoque | OK |  | 04/01/2026 10:05:00",
                                                             "Relatório de Produção | OK | planilha gravada | "
                                                             "02/01/2026 08:01:00",
                                                             "Vendas | OK | planilha gravada | 03/01/2026 09:00:00",
                                                         }));
    EXPECT_TRUE(readLastPublications(folder / "nenhum.log").empty());
}

TEST(RunJournal, WhatTheJournalWritesReadsBackAcrossItsOlderFiles) {
    ScratchFolder folder;
    const fs::path file = folder / "velmoraMonitorPublicacao.log";
    test::FakeClock clock(makeDateTime(2026, 5, 4, 7, 0, 0));
    const JournalLimits limits{100, 3};  // a line a file
    {
        RunJournal journal(clock, limits);
        journal.open(file);
        journal.record({JournalKind::Publication, "Estoque", false, "sem conexão\tcom o servidor"});
        clock.advance(1min);
        journal.record({JournalKind::Publication, "Relatório de Vendas", false, "tempo esgotado"});
        clock.advance(1min);
        journal.record({JournalKind::Publication, "Relatório de Vendas", true, "planilha gravada"});
        clock.advance(1min);
        journal.record({JournalKind::Message, "Relatório de Vendas", false, "não é uma publicação"});
    }
    ASSERT_TRUE(fs::exists(olderJournalFile(file, 3))) << "the test needs older files";
    EXPECT_EQ(described(readLastPublications(file, limits.keptFiles)),
              (std::vector<std::string>{"Estoque | FALHA | sem conexão com o servidor | 04/05/2026 07:00:00",
                                        "Relatório de Vendas | OK | planilha gravada | 04/05/2026 07:02:00"}));
}

TEST(RunJournal, TheJournalIsNamedAfterTheProgramLikeItsLock) {
    const struct {
        std::string program;
        std::string journal;
    } cases[] = {
        {kSeparator + "erp" + kSeparator + "velmoraMonitorPublicacao.exe", "velmoraMonitorPublicacao.log"},
        {"velmoraMonitorPublicacao", "velmoraMonitorPublicacao.log"},
        {kSeparator + "Gestão v2.1" + kSeparator + "monitor.publicacao.exe", "monitor.publicacao.log"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(journalFileName(c.program), c.journal) << c.program;
    }
}

}  // namespace
}  // namespace velmora
