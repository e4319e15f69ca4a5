#include "survey/survey_upload.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "common/clock.h"
#include "common/ftp_client.h"
#include "common/ftp_listing.h"
#include "common/ftp_staged_upload.h"
#include "common/utf8_path.h"
#include "survey/survey_host.h"
#include "survey/survey_queue.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kStatusMonitoring = 1;
constexpr unsigned kStatusSendingSurveys = 4;
constexpr unsigned kStatusSleeping = 5;
constexpr std::chrono::milliseconds kPauseAfterFailure{3000};

void createSurveyFolder(const fs::path& folder, const std::string& dataFolder) {
    std::error_code error;
    if (fs::is_directory(folder, error)) {
        return;
    }
    if (!fs::create_directory(folder, error) || error) {
        throw std::runtime_error("Não pode ser Criado o Diretório " + dataFolder + "PESQUISA");
    }
}

// The first file of the queue that this round has not taken yet: a file that can be neither deleted nor set
// aside stays in the queue, and must not keep the round going.
std::optional<fs::path> nextFile(const fs::path& folder, const std::set<fs::path>& taken) {
    for (const fs::path& file : listSurveyQueue(folder)) {
        if (!taken.contains(file)) {
            return file;
        }
    }
    return std::nullopt;
}

// "ERRO" in front of the name takes the file out of the queue; an older file of that name is replaced.
void setAside(const fs::path& file) {
    std::error_code ignored;
    fs::rename(file, file.parent_path() / utf8Path("ERRO" + utf8Text(file.filename())), ignored);
}

SurveyUploadResult nameTaken(const std::string& remoteName) {
    return {SurveyUploadOutcome::NameTaken, "Já existe no servidor um arquivo com o nome " + remoteName +
                                                "; o arquivo fica na pasta PESQUISA e será enviado quando o nome "
                                                "estiver livre."};
}

}  // namespace

void SurveyUpload::noteOutcome(const std::string& name, const SurveyUploadResult& result) {
    if (result.outcome != SurveyUploadOutcome::NameTaken) {
        nameClashesNoted_.erase(name);
    } else if (!nameClashesNoted_.insert(name).second) {
        return;
    }
    switch (result.outcome) {
    case SurveyUploadOutcome::Delivered:
        host_.noteFileOutcome(name, true, "enviado (" + std::to_string(result.bytes) + " bytes)");
        break;
    case SurveyUploadOutcome::ServerUnavailable:
    case SurveyUploadOutcome::Cancelled:
        host_.noteFileOutcome(name, false, "aguarda o próximo ciclo: " + result.message);
        break;
    case SurveyUploadOutcome::NameTaken:
        host_.noteFileOutcome(name, false, result.message);
        break;
    case SurveyUploadOutcome::Failed:
        host_.noteFileOutcome(name, false, "separado como ERRO" + name + ": " + result.message);
        break;
    }
}

void SurveyUpload::uploadSurveys() {
    const std::string dataFolder = host_.serverDataFolder();
    const fs::path folder = utf8Path(dataFolder + "PESQUISA");
    createSurveyFolder(folder, dataFolder);

    std::set<fs::path> taken;
    std::optional<fs::path> file = nextFile(folder, taken);
    host_.setStatus(kStatusSendingSurveys);
    while (file) {
        taken.insert(*file);
        host_.processPendingEvents();
        host_.setProcessingText(utf8Text(file->filename()));
        host_.setObservationText("");

        const SurveyUploadResult result = uploadSurveyFile(*file);
        noteOutcome(utf8Text(file->filename()), result);
        if (result.outcome == SurveyUploadOutcome::Delivered) {
            host_.setProcessingText("");
            host_.setObservationText("");
            host_.setStatus(kStatusMonitoring);
        } else if (result.outcome == SurveyUploadOutcome::ServerUnavailable ||
                   result.outcome == SurveyUploadOutcome::Cancelled) {
            // Every file waits for the next cycle; setting them aside would lose them all to one outage.
            host_.setObservationText(result.message);
            break;
        } else if (result.outcome == SurveyUploadOutcome::NameTaken) {
            host_.setObservationText(result.message);
        } else {
            host_.setObservationText(kSurveyUploadFailed);
            host_.processPendingEvents();
            setAside(*file);
            clock_.sleep(kPauseAfterFailure);
        }
        file = nextFile(folder, taken);
    }
    host_.setStatus(kStatusSleeping);
}

SurveyUploadResult SurveyUpload::uploadSurveyFile(const fs::path& file) {
    const std::string remoteName = utf8Text(file.filename());
    std::int64_t localSize = 0;
    try {
        localSize = host_.measureFileSize(file);
    } catch (const std::exception& error) {
        return {SurveyUploadOutcome::Failed, error.what()};
    }

    // Port and passive mode are the survey account's own, whatever the last report upload left behind. The queue is
    // the data folder's "PESQUISA", and the data folder holds the certificates and host keys.
    ftp_.setSettings(FtpSettings{account_.host, account_.port, account_.user, account_.password, true,
                                 utf8Text(file.parent_path().parent_path())});

    const FtpConnectionScope scope(ftp_);
    std::vector<std::string> listing;
    try {
        ftp_.connect();
        ftp_.changeDirectory(kSurveyRemoteFolder);
        listing = ftp_.nameList();
    } catch (const FtpCancelled& error) {
        return {SurveyUploadOutcome::Cancelled, error.what()};
    } catch (const FtpError& error) {
        return {SurveyUploadOutcome::ServerUnavailable, error.what()};
    }

    // Names as a Windows server compares them: there the other file would be overwritten.
    if (listingHoldsIgnoringCase(listing, remoteName)) {
        return nameTaken(remoteName);
    }
    try {
        FtpStagedUpload staged(ftp_, remoteName, listing);
        staged.send(file);
        // A server without SIZE proves nothing.
        if (!staged.arrivedWhole(localSize)) {
            return {SurveyUploadOutcome::Failed,
                    "A cópia de " + remoteName + " no servidor não tem o tamanho do arquivo enviado."};
        }
        // Another installation may have delivered its file of this name meanwhile.
        if (listingHoldsIgnoringCase(ftp_.nameList(), remoteName)) {
            return nameTaken(remoteName);
        }
        staged.renameTo(remoteName);
    } catch (const FtpCancelled& error) {
        return {SurveyUploadOutcome::Cancelled, error.what()};
    } catch (const FtpError& error) {
        return {SurveyUploadOutcome::Failed, error.what()};
    }

    std::error_code ignored;
    fs::remove(file, ignored);
    return {SurveyUploadOutcome::Delivered, {}, localSize};
}

}  // namespace velmora
