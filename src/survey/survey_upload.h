#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "survey/survey_account.h"

namespace velmora {

class Clock;
class FtpClient;
class SurveyHost;

// Remote folder of the survey account that receives the files.
inline constexpr const char* kSurveyRemoteFolder = "PESQUISA_VELMORA";
// "Observações:" after a file that could not be delivered and was set aside.
inline constexpr const char* kSurveyUploadFailed = "Erro no envio para FTP";

enum class SurveyUploadOutcome {
    Delivered,          // the remote copy has the local size; the local file was deleted
    Failed,             // this file's own transfer, size check or rename failed
    ServerUnavailable,  // the account could not be reached, refused the login or lacks its folder
    NameTaken,          // the server already has a file of this name (another installation's); this one waits
    Cancelled,          // the monitor is ending; the file waits
};

struct SurveyUploadResult {
    SurveyUploadOutcome outcome = SurveyUploadOutcome::Failed;
    std::string message;  // the reason, for the user
    std::int64_t bytes = 0;  // of a delivered file
};

// Sends the survey answers that the ERP leaves in the server data folder's "PESQUISA" folder to the survey
// account, one connection per file, and removes each local file once its remote copy is verified. A file on the
// server is never overwritten, appended to or deleted unless this upload wrote it.
class SurveyUpload {
public:
    // The account is read at each upload (the program may set it after this is made) and must outlive this.
    SurveyUpload(SurveyHost& host, FtpClient& ftp, Clock& clock, const SurveyAccount& account)
        : host_(host), ftp_(ftp), clock_(clock), account_(account) {}

    // The whole queue, in name order. A file that fails is set aside as "ERRO" + its name and never tried
    // again; a file whose name the server already has waits, and the others still go; when the server cannot
    // be reached, or the monitor is ending, every file waits for the next round. Throws when the survey folder
    // is missing and cannot be created.
    void uploadSurveys();

    // One file, on a connection of its own that is closed again however the upload ends.
    SurveyUploadResult uploadSurveyFile(const std::filesystem::path& file);

private:
    void noteOutcome(const std::string& name, const SurveyUploadResult& result);

    SurveyHost& host_;
    FtpClient& ftp_;
    Clock& clock_;
    const SurveyAccount& account_;
    // Files whose name clash was journaled: a file that waits for its name is journaled once, not every round.
    std::set<std::string> nameClashesNoted_;
};

}  // namespace velmora
