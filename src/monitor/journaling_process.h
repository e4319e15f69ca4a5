#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "monitor/process_control.h"
#include "monitor/run_journal.h"

namespace velmora {

// The process as the monitor ends it: every end leaves its line in the run journal, with the reason the monitor
// gave, and the journal is written out before the process goes.
class JournalingProcess final : public ProcessControl {
public:
    JournalingProcess(ProcessControl& process, RunJournal& journal, std::string programPath)
        : process_(process), journal_(journal), programPath_(std::move(programPath)) {}

    // The reason the next end is recorded with; the first one given stands.
    void setEndReason(std::string reason, bool ok) {
        if (!reason_) {
            reason_ = std::move(reason);
            ok_ = ok;
        }
    }
    // Something the end's line must also say (a lock that could not be removed).
    void addEndNote(const std::string& note) { notes_ += "; " + note; }
    bool endIsFailure() const { return reason_ && !ok_; }
    // Writes the end's line now (once) and waits for the journal: for an end that another part carries out.
    void recordEnd() {
        if (!recorded_) {
            recorded_ = true;
            journal_.record({JournalKind::End, programPath_, ok_,
                             reason_.value_or(quitRequested_ ? "encerramento pedido" : "encerrado") + notes_});
        }
        journal_.flush();
    }

    // Ends with the status the reason calls for.
    [[noreturn]] void end() { endProcess(endIsFailure() ? kFailedEndStatus : 0); }
    [[noreturn]] void endProcess(int exitStatus) override {
        recordEnd();
        process_.endProcess(exitStatus);
        std::abort();  // endProcess never comes back
    }
    void requestQuit() override {
        quitRequested_ = true;
        process_.requestQuit();
    }

private:
    ProcessControl& process_;
    RunJournal& journal_;
    std::string programPath_;
    std::optional<std::string> reason_;
    std::string notes_;
    bool ok_ = true;
    bool quitRequested_ = false;
    bool recorded_ = false;
};

}  // namespace velmora
