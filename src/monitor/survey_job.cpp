#include "monitor/survey_job.h"

#include <stdexcept>
#include <utility>

#include "monitor/erp_settings.h"
#include "monitor/monitor_services.h"
#include "monitor/monitor_ui.h"
#include "monitor/publishing_targets.h"
#include "monitor/run_journal.h"
#include "survey/survey_host.h"
#include "survey/survey_upload.h"

namespace velmora {

namespace {

class WindowSurveyHost final : public SurveyHost {
public:
    explicit WindowSurveyHost(MonitorServices& services) : services_(services) {}

    void setStatus(unsigned code) override { services_.setStatus(code); }
    void setProcessingText(const std::string& text) override { services_.ui().setProcessingText(text); }
    void setObservationText(const std::string& text) override { services_.ui().setObservationText(text); }
    void processPendingEvents() override { services_.ui().processPendingEvents(); }
    // A data folder lost while the monitor runs fails this step only; the next minute looks again.
    std::string serverDataFolder() override {
        ErpSettings::DataFolder folder = services_.settings().locateServerDataFolder();
        if (!folder.problem.empty()) {
            throw std::runtime_error(folder.problem);
        }
        return std::move(folder.path);
    }
    std::int64_t measureFileSize(const std::filesystem::path& file) override {
        return velmora::measureFileSize(file);
    }
    void noteFileOutcome(const std::string& fileName, bool delivered, const std::string& detail) override {
        services_.journal().record({JournalKind::Survey, fileName, delivered, detail});
    }

private:
    MonitorServices& services_;
};

}  // namespace

SurveyJob::SurveyJob(MonitorServices& services)
    : host_(std::make_unique<WindowSurveyHost>(services)),
      upload_(std::make_unique<SurveyUpload>(*host_, services.ftp(), services.clock(), services.surveyAccount())) {}

SurveyJob::~SurveyJob() = default;

void SurveyJob::uploadSurveys() { upload_->uploadSurveys(); }

}  // namespace velmora
