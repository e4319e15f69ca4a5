#include "monitor/reminder_job.h"

#include "monitor/monitor_services.h"
#include "monitor/monitor_ui.h"
#include "reminders/reminder_run.h"

namespace velmora {

namespace {

class WindowReminderView final : public ReminderRunView {
public:
    explicit WindowReminderView(MonitorServices& services) : services_(services) {}

    void DefinirSituacao(unsigned code) override { services_.DefinirSituacao(code); }
    void processPendingEvents() override { services_.ui().processPendingEvents(); }

private:
    MonitorServices& services_;
};

}  // namespace

void ReminderJob::ProcessarAvisosVencimento() {
    WindowReminderView view(services_);
    ReminderRun(services_.database(), services_.clock(), view).ProcessarAvisosVencimento();
}

}  // namespace velmora
