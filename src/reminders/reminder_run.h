#pragma once

#include <cstdint>
#include <optional>

namespace velmora {

class Clock;
class Connection;

// What the reminder run shows while it works; the main window provides it.
class ReminderRunView {
public:
    virtual ~ReminderRunView() = default;
    // The status word by its code: 6 "GERANDO EMAIL" while the run works, 1 "MONITORANDO" when it ends.
    virtual void setStatus(unsigned code) = 0;
    // Lets waiting clicks and timer events run between two documents.
    virtual void processPendingEvents() = 0;
};

// The daily due-date reminder run: once a day, after the configured hour, one message for each open
// receivable that falls due within the horizon and was not reminded yet; each document is marked as
// reminded right after its message, and the day is recorded at the end.
class ReminderRun {
public:
    ReminderRun(Connection& connection, const Clock& clock, ReminderRunView& view)
        : connection_(connection), clock_(clock), view_(view) {}

    // The whole run; errors reach the caller after the status went back to "MONITORANDO". How many messages
    // were written when the run was due; none when it was not.
    std::optional<int> writeDueReminders();

    // True when the reminders are enabled, today's run was not done and the configured hour has passed.
    bool isReminderRunDue();
    int reminderHorizonDays();
    void markReminded(std::int64_t documentId);
    void recordReminderDay();

private:
    int writeTodaysReminders();

    Connection& connection_;
    const Clock& clock_;
    ReminderRunView& view_;
};

}  // namespace velmora
