#pragma once

namespace velmora {

class MonitorServices;

// The publication pass over the active reports, and the "publish now" schedule change.
class PublicationPass {
public:
    explicit PublicationPass(MonitorServices& services) : services_(services) {}

    void PublicarRelatorios();
    void AgendarPublicacaoImediata(int reportId);

private:
    MonitorServices& services_;
};

}  // namespace velmora
