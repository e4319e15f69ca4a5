#include "monitor/publication_outcomes.h"

namespace velmora {

namespace {

constexpr std::size_t kShortReasonBytes = 120;

std::string shortReason(const std::string& reason) {
    std::string line = reason.substr(0, reason.find_first_of("\r\n"));
    if (line.size() > kShortReasonBytes) {
        std::size_t cut = kShortReasonBytes;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;  // never half a character
        }
        line.resize(cut);
        line += "...";
    }
    return line;
}

}  // namespace

void PublicationOutcomes::succeeded(const std::string& report) {
    Report& state = reports_[report];
    state = Report{};
    state.lastOk = true;
}

void PublicationOutcomes::failed(const std::string& report, const std::string& reason, DateTime at) {
    Report& state = reports_[report];
    state.lastOk = false;
    state.lastError = reason;
    ++state.failedInARow;
    if (!state.streakStart) {
        state.streakStart = at;
    }
    state.errors.emplace_back(at, reason);
    if (state.errors.size() > kErrorsKept) {
        state.errors.erase(state.errors.begin());
    }
}

bool PublicationOutcomes::noticeDue(const std::string& report, std::optional<DateTime> lastPublished,
                                    std::chrono::minutes interval, DateTime now) {
    const auto found = reports_.find(report);
    if (found == reports_.end() || found->second.lastOk != false || found->second.noticeSent) {
        return false;
    }
    const Report& state = found->second;
    const DateTime since = lastPublished.value_or(state.streakStart.value_or(now));
    return state.failedInARow >= kFailedPassesForNotice || (interval.count() > 0 && now - since >= 2 * interval);
}

void PublicationOutcomes::noticeSent(const std::string& report) { reports_[report].noticeSent = true; }

const std::vector<std::pair<DateTime, std::string>>& PublicationOutcomes::recentErrors(const std::string& report) const {
    static const std::vector<std::pair<DateTime, std::string>> none;
    const auto found = reports_.find(report);
    return found == reports_.end() ? none : found->second.errors;
}

std::string PublicationOutcomes::gridText(const std::string& report) const {
    const auto found = reports_.find(report);
    if (found == reports_.end() || !found->second.lastOk) {
        return {};
    }
    return *found->second.lastOk ? "OK" : "Falhou: " + shortReason(found->second.lastError);
}

void PublicationOutcomes::takeFromJournal(const std::map<std::string, JournalOutcome>& last) {
    for (const auto& [report, outcome] : last) {
        Report& state = reports_[report];
        if (!state.lastOk) {
            state.lastOk = outcome.ok;
            state.lastError = outcome.detail;
        }
    }
}

}  // namespace velmora
