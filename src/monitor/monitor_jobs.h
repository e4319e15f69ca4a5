#pragma once

namespace velmora {

// The work that the monitoring cycle and the two buttons start.
class MonitorJobs {
public:
    virtual ~MonitorJobs() = default;
    virtual void publishDueReports() = 0;
    virtual void schedulePublicationNow(int reportId) = 0;
    virtual void writeDueReminders() = 0;
    virtual void uploadSurveys() = 0;
};

}  // namespace velmora
