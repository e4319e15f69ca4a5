#pragma once

namespace velmora {

class MonitorServices;

// The survey upload on the main window's FTP client, showing its progress in the window.
class SurveyJob {
public:
    explicit SurveyJob(MonitorServices& services) : services_(services) {}

    void EnviarPesquisas();

private:
    MonitorServices& services_;
};

}  // namespace velmora
