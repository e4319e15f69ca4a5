#pragma once

#include <string>

#include "monitor/publishing_targets.h"
#include "reports/sales_report_engine.h"

namespace velmora {

class MonitorServices;

// The publication pass over the active reports, and the "publish now" schedule change.
class PublicationPass {
public:
    explicit PublicationPass(MonitorServices& services);

    void PublicarRelatorios();
    void AgendarPublicacaoImediata(int reportId);

private:
    // Builds one due report's workbook and publishes it; errors go to the caller.
    void publish(int reportId, const std::string& name, int reportKind, int companyId, int months,
                 int publicationKind);

    MonitorServices& services_;
    SalesReportEngine engine_;
    PublishingTargets targets_;
};

}  // namespace velmora
