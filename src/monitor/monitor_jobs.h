#pragma once

namespace velmora {

// The work that the monitoring cycle and the two buttons start.
class MonitorJobs {
public:
    virtual ~MonitorJobs() = default;
    virtual void PublicarRelatorios() = 0;
    virtual void AgendarPublicacaoImediata(int reportId) = 0;
    virtual void ProcessarAvisosVencimento() = 0;
    virtual void EnviarPesquisas() = 0;
};

}  // namespace velmora
