#pragma once

#include <filesystem>
#include <string>

namespace velmora {

// The progress window of runs a person watches (frmProgressoGeral). Only one is open at a time.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;

    virtual void AbrirProgresso() = 0;
    virtual void IniciarProgresso(const std::string& caption, const std::string& title, const std::string& footer,
                                  int minimum, int maximum) = 0;
    virtual void AvancarProgresso() = 0;
    virtual void FecharProgresso() = 0;
};

enum class ReportMessageIcon { Error, Exclamation };

// What a report run needs when a person started it and watches it. Unattended runs (every run of the monitor)
// have none: no message box, no progress window, nothing opened.
class InteractiveSession {
public:
    virtual ~InteractiveSession() = default;

    virtual ProgressWindow& progresso() = 0;
    // A message box with the caption "Aviso do Sistema" and an OK button.
    virtual void mostrarMensagem(const std::string& text, ReportMessageIcon icon) = 0;
    // The desktop's "open" action on the finished workbook.
    virtual void abrirArquivo(const std::filesystem::path& file) = 0;
};

}  // namespace velmora
