#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/date_time.h"

namespace velmora {

class Connection;

// A report the monitor keeps failing to publish, told to the administrator by e-mail.
struct FailureNotice {
    std::string address;  // EmailFalhas
    int reportId = 0;
    std::string report;
    std::vector<std::pair<DateTime, std::string>> errors;  // the latest last
    std::optional<DateTime> lastPublished;
    std::string programPath;
};

// Writes the notice into the ERP's outbox as the reminders are written (body in the month folder, control file
// in "Caixa de Saída"), sent from and to the notice address. Errors reach the caller.
void writeFailureNotice(Connection& connection, const FailureNotice& notice, DateTime now);

}  // namespace velmora
