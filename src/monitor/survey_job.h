#pragma once

#include <memory>

namespace velmora {

class MonitorServices;
class SurveyHost;
class SurveyUpload;

// The survey upload on the main window's FTP client, showing its progress in the window.
class SurveyJob {
public:
    explicit SurveyJob(MonitorServices& services);
    ~SurveyJob();
    SurveyJob(const SurveyJob&) = delete;
    SurveyJob& operator=(const SurveyJob&) = delete;

    void uploadSurveys();

private:
    std::unique_ptr<SurveyHost> host_;
    std::unique_ptr<SurveyUpload> upload_;  // one for every round: it remembers what it journaled
};

}  // namespace velmora
