#include "reports/interactive_session.h"
#include "reports/sales_report_engine.h"
#include "reports/sales_workbook_writer.h"

namespace velmora {

namespace {

// The progress window of an interactive run, from its opening to the end of the run however it ends.
class ProgressGuard {
public:
    explicit ProgressGuard(InteractiveSession* interactive)
        : window_(interactive ? &interactive->progresso() : nullptr) {
        if (window_) {
            window_->AbrirProgresso();
        }
    }
    ~ProgressGuard() {
        if (window_) {
            try {
                window_->FecharProgresso();
            } catch (...) {
                // The run's own outcome matters more than a window that would not close.
            }
        }
    }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;

    ProgressWindow* window() const { return window_; }

private:
    ProgressWindow* window_;
};

}  // namespace

void SalesReportEngine::GerarPlanilhaVendas(int reportId, int companyId, InteractiveSession* interactive,
                                            DateTime start, DateTime end, Connection& connection,
                                            const std::filesystem::path& programFolder) {
    const ProgressGuard progress(interactive);
    if (progress.window()) {
        progress.window()->IniciarProgresso("Aguarde ...", "Obtendo dados do relatório... ...",
                                            "Aguarde o processamento...", 0, 7);
    }
    const auto statement = assembleStatement(reportId, companyId, start, end, connection, progress.window());
    if (!statement) {
        return;
    }
    const std::string name = ObterNomeRelatorio(reportId, connection);
    GravarPlanilhaVendas(reportId, name, *statement, connection, programFolder, interactive);
}

}  // namespace velmora
