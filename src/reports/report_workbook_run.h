#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "reports/interactive_session.h"

namespace velmora {

class Workbook;

// What a report writer tells the person watching when its workbook cannot be started.
struct WorkbookRunMessages {
    // An old workbook that cannot be replaced (also the error text of an unattended run).
    std::string inUse;
    ReportMessageIcon inUseIcon = ReportMessageIcon::Error;
    // The new workbook cannot be created at its place.
    std::string notCreated;
    ReportMessageIcon notCreatedIcon = ReportMessageIcon::Error;
};

// A watched run with no rows to write tells the person so and ends with SilentAbort; an unattended one goes on.
void stopWatchedRunWithoutRows(bool noRows, InteractiveSession* interactive);
// Starts a watched run's progress window over the rows of the sheet; nothing for an unattended run.
void startRowProgress(InteractiveSession* interactive, std::size_t rows);

// The frame every report writer runs its sheet in: make the workbook folder, check that the old workbook can be
// replaced, start the new one, let `fill` write the sheet, fit the columns however `fill` ends, and save.
//
// The old workbook is replaced only by a complete new one: when `fill` throws, the file stays as it was and the
// error goes on to the caller. Unattended (`interactive` null), a folder or file in the way is an error at once;
// interactive, the person sees the writer's message, the run ends with SilentAbort, and a finished workbook is
// opened for them.
void writeReportWorkbook(const std::filesystem::path& folder, const std::filesystem::path& file,
                         const WorkbookRunMessages& messages, InteractiveSession* interactive,
                         const std::function<void(Workbook&)>& fill);

}  // namespace velmora
