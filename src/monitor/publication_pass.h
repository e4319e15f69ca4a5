#pragma once

#include <chrono>
#include <map>
#include <string>

#include "monitor/publishing_targets.h"
#include "reports/sales_report_engine.h"

namespace velmora {

class MonitorServices;

// The publication pass over the active reports, and the "publish now" schedule change.
class PublicationPass {
public:
    explicit PublicationPass(MonitorServices& services);

    void publishDueReports();
    void schedulePublicationNow(int reportId);

private:
    // Builds one due report's workbook and publishes it; errors before the transfer go to the caller.
    PublicationResult publish(int reportId, const std::string& name, int reportKind, int companyId, int months,
                              int publicationKind);
    void noteSuccess(const std::string& name, const PublicationResult& result, std::chrono::seconds took);
    // A failed attempt, or a report that cannot be attempted; the same problem of a report is journaled once.
    void noteFailure(int reportId, const std::string& name, const std::string& target, const std::string& reason);
    void sendFailureNoticeIfDue(int reportId, const std::string& name);

    MonitorServices& services_;
    SalesReportEngine engine_;
    PublishingTargets targets_;
    std::map<std::string, std::string> problemJournaled_;  // by report: the last problem written to the journal
};

}  // namespace velmora
