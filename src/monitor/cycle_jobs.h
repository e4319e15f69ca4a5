#pragma once

#include "monitor/monitor_jobs.h"
#include "monitor/publication_pass.h"

namespace velmora {

class MonitorServices;

// The program's own jobs behind the cycle and the buttons.
class CycleJobs final : public MonitorJobs {
public:
    explicit CycleJobs(MonitorServices& services) : publication_(services) {}

    void PublicarRelatorios() override { publication_.PublicarRelatorios(); }
    void AgendarPublicacaoImediata(int reportId) override { publication_.AgendarPublicacaoImediata(reportId); }
    void ProcessarAvisosVencimento() override {}
    void EnviarPesquisas() override {}

private:
    PublicationPass publication_;
};

}  // namespace velmora
