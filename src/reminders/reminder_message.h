#pragma once

#include <cstdint>
#include <string>

#include "common/date_time.h"

namespace velmora {

class Clock;
class Connection;

// The ERP's e-mail folder NM_PASTA_EMAIL, as stored (it ends with a separator). Makes sure that the outbox
// folders for the month of `today` exist; a folder that cannot be made shows later as a file that cannot be
// written.
std::string ObterPastaEmail(Connection& connection, Date today);

// Writes the due-date reminder of one financial document into the outbox: the body (the template with the
// document's values) in the month folder, then the control file that names it. Writes nothing when the
// document has no data row or its debtor's e-mail field is rejected. Errors (template missing, folder not
// writable, database) reach the caller; each file is written whole or not at all.
void GerarEmailAviso(Connection& connection, const Clock& clock, std::int64_t documentId);

}  // namespace velmora
