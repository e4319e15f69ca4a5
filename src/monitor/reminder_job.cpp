#include "monitor/reminder_job.h"

#include <optional>
#include <string>

#include "monitor/monitor_services.h"
#include "monitor/monitor_ui.h"
#include "monitor/run_journal.h"
#include "reminders/reminder_run.h"

namespace velmora {

namespace {

class WindowReminderView final : public ReminderRunView {
public:
    explicit WindowReminderView(MonitorServices& services) : services_(services) {}

    void setStatus(unsigned code) override { services_.setStatus(code); }
    void processPendingEvents() override { services_.ui().processPendingEvents(); }

private:
    MonitorServices& services_;
};

}  // namespace

void ReminderJob::writeDueReminders() {
    WindowReminderView view(services_);
    // A failure reaches the monitor, which journals it once until it changes.
    const std::optional<int> written =
        ReminderRun(services_.database(), services_.clock(), view).writeDueReminders();
    if (written) {
        services_.journal().record({JournalKind::Reminder, "avisos de vencimento", true,
                                    std::to_string(*written) + (*written == 1 ? " mensagem" : " mensagens")});
    }
}

}  // namespace velmora
