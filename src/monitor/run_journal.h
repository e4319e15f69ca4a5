#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/date_time.h"
#include "monitor/journal_file.h"

namespace velmora {

class Clock;

// The kinds of event the journal holds, written as "INICIO", "FIM", "PUBLICACAO", "LEMBRETE", "PESQUISA",
// "MENSAGEM".
enum class JournalKind { Inicio, Fim, Publicacao, Lembrete, Pesquisa, Mensagem };
const char* journalKindText(JournalKind kind);

struct JournalEntry {
    JournalKind kind = JournalKind::Message;
    std::string subject;  // the report's name, the survey file's name, the program path ...
    bool ok = true;       // "OK" or "FALHA"
    std::string detail;
};

// The journal file of a program: its lock file's name with ".log" (velmoraMonitorPublicacao.log), in the folder
// that holds the lock.
std::string journalFileName(const std::string& programPath);

// The run journal: one line per event, fields separated by a tab (time "yyyy-mm-dd hh:mm:ss", kind, subject,
// "OK" or "FALHA", detail), Windows-1252 with CR LF. A tab or line break inside a field becomes a blank.
//
// record() only queues the line with the clock's time; a thread of its own appends it, so a slow share or a full
// disk never holds a cycle back. Before open() the lines wait in the queue. A line is in the file whole or not at
// all. Lines that could not be written wait, in order, and are tried again at the next record(), at flush() and,
// when nothing new comes, after the retry interval. Only when the file has failed at least 3 times over 5 minutes
// (by the clock) are the waiting lines dropped and takeFailure() tells why, once; later lines are still tried, at
// most once a retry interval, and once the file can be written again the journal goes on as before.
//
// At the size limit the file is renamed to ".1" (".1" to ".2" ... the oldest dropped) and a new one begun; a
// line is never split or lost by it. With keptFiles 0 the full file is simply removed. A file that cannot be
// moved away (another program holds it open on Windows) goes on growing rather than losing lines; the next batch
// tries again. The file is open only while a batch of lines is written, so that it can be read, moved or removed
// in between.
class RunJournal {
public:
    explicit RunJournal(const Clock& clock, JournalLimits limits = {});
    ~RunJournal();  // one last attempt at what is queued, then stops its thread
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    void open(std::filesystem::path file);
    void record(JournalEntry entry);
    // Returns once every line recorded so far has been written, or an attempt that covered it has failed; at once
    // before open(). Never waits for the retry interval.
    void flush();
    // Why the journal could not be written, the first time it is asked after it was given up; none otherwise.
    std::optional<std::string> takeFailure();

private:
    void run();
    bool attemptDue() const;
    void waitForAttempt(std::unique_lock<std::mutex>& lock);
    void noteFailure(std::string failure);
    void dropOldestBeyondLimit();

    const Clock& clock_;
    const JournalLimits limits_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> queue_;  // lines already encoded, with their line end
    std::filesystem::path file_;
    bool opened_ = false;
    bool stopping_ = false;
    bool attemptWanted_ = false;  // by record() or flush(): try now rather than at the retry time
    bool attempting_ = false;  // a batch is out of the queue, being written
    std::uint64_t finishedAttempts_ = 0;
    // The current run of failed attempts; none while the file is written.
    int failedAttempts_ = 0;
    DateTime firstFailure_{};
    std::chrono::steady_clock::time_point nextRetry_{};
    bool givenUp_ = false;
    std::optional<std::string> failure_;
    std::thread writer_;
};

// The last publication entry of each report (by subject) in a journal file and its older files, for the grid at
// start-up; reports the journal does not know are absent. Files that are missing or cannot be read are skipped,
// lines that do not read as a journal line are ignored.
struct JournalOutcome {
    bool ok = true;
    std::string detail;
    DateTime time;
};
std::map<std::string, JournalOutcome> readLastPublications(const std::filesystem::path& journalFile,
                                                          int keptFiles = JournalLimits{}.keptFiles);

}  // namespace velmora
