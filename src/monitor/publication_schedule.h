#pragma once

#include <string>

#include "common/date_time.h"

namespace velmora {

class Clock;
class Connection;

// How a report is scheduled: TP_AGENDAMENTO 1 daily at HO_PUBLICACAO, anything else every QT_HORAS_CRONOMETRO hours.
struct ReportSchedule {
    int scheduleKind = 0;
    std::string publicationTime;
    int intervalHours = 0;
};

// The next publication time after a successful publication, from the workstation's clock. A HO_PUBLICACAO that is
// no time of day throws, with a message naming it.
DateTime nextPublicationTime(const ReportSchedule& schedule, const Clock& clock);

// Moves a time already passed today to tomorrow and writes it with the time of the last publication.
void storeNextPublication(int reportId, DateTime next, Connection& connection, const Clock& clock);

// First day of the sales range of a report published `months` months back from `today`.
Date publicationStartDate(Date today, int months);

}  // namespace velmora
