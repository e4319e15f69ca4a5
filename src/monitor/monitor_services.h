#pragma once

namespace velmora {

class Clock;
class Connection;
class ErpSettings;
class FtpClient;
class MonitorUi;
class PublicationOutcomes;
class RunJournal;
struct SurveyAccount;

// What the monitor's jobs share with the main window: the one connection, the window, the clock, the FTP client
// and the survey account, the status word and the grid, the run journal and what became of each report.
class MonitorServices {
public:
    virtual ~MonitorServices() = default;
    virtual Connection& database() = 0;  // IBD_BancoDados
    virtual MonitorUi& ui() = 0;
    virtual Clock& clock() = 0;
    virtual const ErpSettings& settings() const = 0;
    virtual FtpClient& ftp() = 0;  // IdFTP1, shared by the report uploads and the survey upload
    virtual const SurveyAccount& surveyAccount() const = 0;
    virtual void setStatus(unsigned code) = 0;
    virtual void refreshGrid() = 0;
    virtual RunJournal& journal() = 0;
    virtual PublicationOutcomes& outcomes() = 0;
};

}  // namespace velmora
