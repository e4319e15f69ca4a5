#include "reports/workbook_file_name.h"

#include <algorithm>
#include <array>

#include "common/text.h"
#include "reports/report_errors.h"

namespace velmora {

namespace {

constexpr std::size_t kMaxFileName = 255;  // bytes, with the extension
constexpr std::string_view kExtension = ".xlsx";
// Besides the separators, Windows keeps ':' for streams ("Vendas: mensal" would write into a file "Vendas").
constexpr std::string_view kRefusedCharacters = "/\\:*?\"<>|";

// Windows takes these for devices in every folder, whatever follows the first dot: "con.txt" is the console.
bool isWindowsDeviceName(std::string_view name) {
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.remove_suffix(1);
    }
    const std::string lower = toLowerAscii(base);
    if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") {
        return true;
    }
    if (!lower.starts_with("com") && !lower.starts_with("lpt")) {
        return false;
    }
    const std::string_view number = std::string_view(lower).substr(3);
    constexpr std::array<std::string_view, 3> kSuperscripts = {"\u00B9", "\u00B2", "\u00B3"};
    return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') ||
           std::find(kSuperscripts.begin(), kSuperscripts.end(), number) != kSuperscripts.end();
}

}  // namespace

std::string workbookFileName(std::string_view reportName) {
    // Windows drops a final dot or space from a file name; this also rules out "." and "..".
    bool usable = !reportName.empty() && reportName.back() != '.' && reportName.back() != ' ' &&
                  reportName.size() + kExtension.size() <= kMaxFileName && !isWindowsDeviceName(reportName);
    std::string shown;
    for (const char c : reportName) {
        const auto code = static_cast<unsigned char>(c);
        const bool control = code < 0x20 || code == 0x7F;
        usable = usable && !control && kRefusedCharacters.find(c) == std::string_view::npos;
        shown += control ? '?' : c;
    }
    if (!usable) {
        throw ReportDefinitionError("O nome do relatório \"" + shown +
                                    "\" não pode ser usado como nome do arquivo da planilha.");
    }
    return std::string(reportName) + std::string(kExtension);
}

}  // namespace velmora
