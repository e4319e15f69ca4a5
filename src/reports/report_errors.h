#pragma once

#include <stdexcept>

namespace velmora {

// Ends a report run after the person watching it has already been told why; callers show nothing more.
class SilentAbort : public std::runtime_error {
public:
    SilentAbort() : std::runtime_error("Operação cancelada") {}
};

// A report definition that cannot be turned into a safe statement or file name; the text names the report.
class ReportDefinitionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace velmora
