#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "survey/survey_account.h"

namespace velmora {

class Clock;
class FtpClient;
class SurveyHost;

// Remote folder of the survey account that receives the files.
inline constexpr const char* kSurveyRemoteFolder = "PESQUISA_VELMORA";
// lblObservacoes after a file that could not be delivered and was set aside.
inline constexpr const char* kSurveyUploadFailed = "Erro no envio para FTP";

enum class SurveyUploadOutcome {
    Delivered,          // the remote copy has the local size; the local file was deleted
    Failed,             // this file's own transfer or size check failed
    ServerUnavailable,  // the account could not be reached, refused the login or lacks its folder
};

struct SurveyUploadResult {
    SurveyUploadOutcome outcome = SurveyUploadOutcome::Failed;
    std::string message;  // the reason, for the user
    std::int64_t bytes = 0;  // of a delivered file
};

// Sends the survey answers that the ERP leaves in the server data folder's "PESQUISA" folder to the survey
// account, one connection per file, and removes each local file once its remote copy is verified.
class SurveyUpload {
public:
    SurveyUpload(SurveyHost& host, FtpClient& ftp, Clock& clock, SurveyAccount account)
        : host_(host), ftp_(ftp), clock_(clock), account_(std::move(account)) {}

    // The whole queue, in name order. A file that fails is set aside as "ERRO" + its name and never tried
    // again; when the server cannot be reached every file waits for the next round. Throws when the survey
    // folder is missing and cannot be created.
    void EnviarPesquisas();

    // One file, on a connection of its own that is closed again however the upload ends.
    SurveyUploadResult EnviarArquivoPesquisa(const std::filesystem::path& file);

private:
    void noteOutcome(const std::string& name, const SurveyUploadResult& result);

    SurveyHost& host_;
    FtpClient& ftp_;
    Clock& clock_;
    SurveyAccount account_;
};

}  // namespace velmora
