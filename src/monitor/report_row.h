#pragma once

#include <string>

namespace velmora {

// One line of the monitored-reports grid, with its time stamps already formatted for display.
struct ReportRow {
    int id = 0;                    // ID_RELATORIO, hidden
    std::string name;              // NM_RELATORIO, "Planilha"
    std::string publication;       // DS_PUBLICACAO, "Tipo de Publicação"
    std::string lastPublication;   // DH_ULTIMA_PUBLIC, "Última Publicação"
    std::string nextPublication;   // DH_PROXIMA_PUBLIC, "Próxima Publicação"
    int publicationKind = 0;       // TP_PUBLICACAO, hidden
    std::string lastOutcome;       // "Último resultado": "OK" or "Falhou: " + reason; empty before any attempt

    bool operator==(const ReportRow&) const = default;
};

}  // namespace velmora
