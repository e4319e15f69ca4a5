#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/date_time.h"

namespace velmora {

class Clock;
class Connection;
class ResultSet;

// The ERP's e-mail folder NM_PASTA_EMAIL, as stored (it ends with a separator). Makes sure that the outbox
// folders for the month of `today` exist; a folder that cannot be made shows later as a file that cannot be
// written.
std::string preparedEmailFolder(Connection& connection, Date today);

// The outbox folders for the month of `today` below the e-mail folder; one that cannot be made shows later as a
// file that cannot be written.
void makeOutboxFolders(const std::string& emailFolder, Date today);

// The ERP's e-mail folder NM_PASTA_EMAIL as stored, without touching any folder.
std::string emailFolderSetting(Connection& connection);

// One message for the ERP's mailer, as the outbox holds it.
struct OutboxMessage {
    std::string from;
    std::string to;
    std::string subject;
    std::vector<std::string> body;  // lines, UTF-8
};

// The message's body file "<baseName>.txt" in the month folder of `today`, then its control file "<baseName>.cfe"
// in the outbox naming it; both written whole or not at all, in the ANSI code page. The folders must exist
// (preparedEmailFolder, makeOutboxFolders).
void writeOutboxMessage(const std::string& emailFolder, Date today, const std::string& baseName,
                        const OutboxMessage& message);

// The reminder's files from the rows of its document (as the document statement delivers them), written at
// `started`. The e-mail folder is asked for only when there is something to write; it gets the day's folders.
// False when nothing was written.
bool writeReminderFiles(const ResultSet& rows, std::int64_t documentId, DateTime started,
                        const std::function<std::string(Date)>& emailFolderFor);

// Writes the due-date reminder of one financial document into the outbox: the body (the template with the
// document's values) in the month folder, then the control file that names it. Writes nothing when the
// document has no data row or its debtor's e-mail field is rejected. Errors (template missing, folder not
// writable, database) reach the caller; each file is written whole or not at all. True when it was written.
bool writeReminderEmail(Connection& connection, const Clock& clock, std::int64_t documentId);

}  // namespace velmora
