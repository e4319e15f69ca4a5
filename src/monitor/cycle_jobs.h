#pragma once

#include "monitor/monitor_jobs.h"
#include "monitor/publication_pass.h"
#include "monitor/reminder_job.h"
#include "monitor/survey_job.h"

namespace velmora {

class MonitorServices;

// The program's own jobs behind the cycle and the buttons.
class CycleJobs final : public MonitorJobs {
public:
    explicit CycleJobs(MonitorServices& services) : publication_(services), reminders_(services), surveys_(services) {}

    void publishDueReports() override { publication_.publishDueReports(); }
    void schedulePublicationNow(int reportId) override { publication_.schedulePublicationNow(reportId); }
    void writeDueReminders() override { reminders_.writeDueReminders(); }
    void uploadSurveys() override { surveys_.uploadSurveys(); }

private:
    PublicationPass publication_;
    ReminderJob reminders_;
    SurveyJob surveys_;
};

}  // namespace velmora
