#pragma once

#include <string>

namespace velmora {

class Connection;

inline constexpr const char* kInitialErpVersion = "Versao Inicial";

// What the upgrade leaves known about the ERP's version.
struct ErpVersionInfo {
    std::string erpVersion;     // VERSAO_ERP, "Versao Inicial" when null or just added
    std::string scriptRun;  // script_rodado as text; read only when the columns were already there
};

// Gives TAB_PARAMETRO its two version columns when VERSAO_ERP is missing (filled from the update log),
// otherwise reads them. Database errors pass to the caller; nothing is caught.
ErpVersionInfo upgradeParameterTable(Connection& connection);

}  // namespace velmora
