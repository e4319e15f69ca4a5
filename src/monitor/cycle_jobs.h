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

    void PublicarRelatorios() override { publication_.PublicarRelatorios(); }
    void AgendarPublicacaoImediata(int reportId) override { publication_.AgendarPublicacaoImediata(reportId); }
    void ProcessarAvisosVencimento() override { reminders_.ProcessarAvisosVencimento(); }
    void EnviarPesquisas() override { surveys_.EnviarPesquisas(); }

private:
    PublicationPass publication_;
    ReminderJob reminders_;
    SurveyJob surveys_;
};

}  // namespace velmora
