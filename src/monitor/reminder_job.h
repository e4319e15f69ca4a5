#pragma once

namespace velmora {

class MonitorServices;

// The day's due-date reminders on the main window's connection, showing their progress in its window.
class ReminderJob {
public:
    explicit ReminderJob(MonitorServices& services) : services_(services) {}

    void writeDueReminders();

private:
    MonitorServices& services_;
};

}  // namespace velmora
