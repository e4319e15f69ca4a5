#include "monitor/failure_notice.h"

#include <stdexcept>

#include "common/ptbr_format.h"
#include "reminders/reminder_message.h"

namespace velmora {

void writeFailureNotice(Connection& connection, const FailureNotice& notice, DateTime now) {
    std::vector<std::string> body{
        "O monitor de publicação não conseguiu publicar o relatório " + notice.report + ".",
        "",
        "Últimas falhas:",
    };
    for (const auto& [when, error] : notice.errors) {
        body.push_back(formatDateTime(when, "dd/mm/yyyy hh:mm:ss") + " - " + error);
    }
    body.push_back("");
    body.push_back("Última publicação: " +
                   (notice.lastPublished ? formatDateTime(*notice.lastPublished, "dd/mm/yyyy hh:mm") : "nenhuma"));
    body.push_back("Monitor: " + notice.programPath);
    body.push_back("");
    body.push_back("Este aviso não se repete até que o relatório seja publicado de novo.");

    const Date today = dateOf(now);
    if (emailFolderSetting(connection).empty()) {
        // Written nowhere rather than into whatever folder the program runs in.
        throw std::runtime_error("A pasta de e-mail do ERP (NM_PASTA_EMAIL) não está informada; o aviso de falha "
                                 "não foi gravado.");
    }
    const std::string emailFolder = preparedEmailFolder(connection, today);
    const std::string baseName = "Falha na Publicação - " + std::to_string(notice.reportId) + " - " +
                                 formatDateTime(now, "yyyymmddhhmmss");
    writeOutboxMessage(emailFolder, today, baseName,
                       {notice.address, notice.address, "Monitor de Publicação: falha em " + notice.report, body});
}

}  // namespace velmora
