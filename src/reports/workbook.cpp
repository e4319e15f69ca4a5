#include "reports/workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/file_error.h"
#include "common/platform_files.h"
#include "common/text.h"
#include "reports/display_format.h"
#include "reports/formula_references.h"
#include "reports/number_format_notation.h"
#include "reports/text_width.h"
#include "reports/workbook_check.h"
#include "reports/workbook_file.h"

namespace velmora {

namespace {

constexpr int kGeneral = -1;
constexpr int kUnregistered = -2;
constexpr std::size_t kMaxTextLength = 32767;  // characters a cell can hold
constexpr double kFitMargin = 0.6;             // in digit widths, beyond the column's own padding
constexpr double kMaxColumnWidth = 255.0;
constexpr const char* kSheetName = "Planilha1";
constexpr std::uintmax_t kCloseMargin = 1024 * 1024;  // the other parts and the zip's own records

enum class CellKind : std::uint8_t { None, Text, Number, Formula };

struct PendingCell {
    CellKind kind = CellKind::None;
    bool touched = false;
    bool bold = false;
    int format = kGeneral;
    double number = 0.0;  // numbers, dates as serial numbers, results of formulas
    std::string text;     // texts, formulas in A1 notation
};

struct Format {
    std::string invariant;
    DisplayFormat display;
    lxw_format* plain = nullptr;
    lxw_format* bold = nullptr;
};

struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

std::string lxwReason(lxw_error error, int errnoValue) {
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED: return "memória insuficiente";
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return errnoValue != 0 ? fileErrorReason(errnoValue) : "erro ao gravar o arquivo";
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
        return "erro no arquivo temporário" + (errnoValue != 0 ? " (" + fileErrorReason(errnoValue) + ")" : "");
    default: return lxw_strerror(error);
    }
}

// The cell's text cut to what a cell holds, at a character boundary.
std::string_view fitText(std::string_view text) {
    if (text.size() <= kMaxTextLength) {
        return text;
    }
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0u) != 0x80u && characters++ == kMaxTextLength) {
            return text.substr(0, i);
        }
    }
    return text;
}

// The spreadsheet's serial number: days since 30/12/1899, counting the 29/02/1900 it believes in.
double serialOf(DateTime value) {
    using namespace std::chrono;
    const double serial = duration<double, days::period>(value - emptyDateTime()).count();
    return serial >= 1.0 && serial < 61.0 ? serial - 1.0 : serial;
}

// libxlsxwriter closes the sheet's row file while it puts the sheet together; a close that fails before that
// point leaves it open, and with it the space of the deleted file, until the process ends.
class RowFileWatch {
public:
    explicit RowFileWatch(lxw_worksheet* sheet)
        : file_(sheet != nullptr ? sheet->optimize_tmpfile : nullptr),
          descriptor_(file_ != nullptr ? ::fileno(file_) : -1),
          identity_(descriptor_ >= 0 ? platform::fileIdentity(descriptor_) : std::nullopt),
          size_(descriptor_ >= 0 ? platform::fileSize(descriptor_) : -1) {}

    // Only while the descriptor is still that file, as it was: once closed, the number may belong to another one.
    void closeIfLeft() const {
        if (identity_ && platform::fileIdentity(descriptor_) == identity_ && platform::fileSize(descriptor_) == size_) {
            std::fclose(file_);
        }
    }

private:
    std::FILE* file_;
    int descriptor_;
    std::optional<platform::FileIdentity> identity_;
    long long size_;
};

}  // namespace

struct Workbook::State {
    enum class Phase { New, Open, Saved, Closed };

    Phase phase = Phase::New;
    std::filesystem::path target;
    std::optional<TemporaryWorkbookFile> output;
    std::string temporaryFolder;
    lxw_workbook* book = nullptr;
    lxw_worksheet* sheet = nullptr;
    lxw_format* boldGeneral = nullptr;

    std::vector<Format> formats;
    std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> byBrazilian;
    std::unordered_map<std::string, int> byInvariant;
    DisplayFormat general;
    int dateFormat = kUnregistered;
    int dateTimeFormat = kUnregistered;
    int currencyFormat = kUnregistered;
    int textFormat = kUnregistered;

    int pendingRow = 0;
    std::vector<PendingCell> cells;  // of the pending row, by column
    std::vector<int> touched;        // its columns in the order they were first touched
    std::vector<std::vector<double>> numbers;  // by column and row, for sums; only columns that hold numbers
    // With column totals only (a sheet of any size), a SUM's stored value comes from what the rows already written
    // add up to per column, and `numbers` stays empty.
    struct ColumnTotal {
        int firstRow = 0;  // 0: no number yet
        int lastRow = 0;
        double total = 0.0;
    };
    bool columnTotalsOnly = false;
    std::vector<ColumnTotal> totals;
    std::vector<double> widths;                // widest value shown per column in the rows already written
    std::vector<double> fitted;                // widths fixed by the last AutoFit
    std::uint64_t rowsWritten = 0;             // rows handed to the sheet, to check the file against
    bool placeholder = false;                  // the empty workbook saveAs() put where there was none
    bool tightBeforeClose = false;             // too little room to be sure the closing fits

    ~State() { abandon(); }

    // Drops the workbook; an empty one that saveAs() created goes too, so a failed first run leaves no file
    // that looks like a report.
    void abandon() {
        discard();
        if (placeholder) {
            platform::removeFile(target);
            placeholder = false;
        }
    }

    void discard() {
        if (book != nullptr) {
            // Freeing a workbook does not close the sheet's row file of constant-memory mode.
            if (sheet != nullptr && sheet->optimize_tmpfile != nullptr) {
                std::fclose(sheet->optimize_tmpfile);
                sheet->optimize_tmpfile = nullptr;
                sheet->file = nullptr;
            }
            lxw_workbook_free(book);
            book = nullptr;
            sheet = nullptr;
        }
        output.reset();
    }

    [[noreturn]] void fail(lxw_error error, int errnoValue) const {
        throw std::runtime_error(workbookWriteError(target, lxwReason(error, errnoValue)));
    }

    [[noreturn]] void failWith(const std::string& reason) const {
        throw std::runtime_error(workbookWriteError(target, reason));
    }

    // The sheet's rows go through a file of libxlsxwriter's that never reports a failed write (a full disk);
    // its error flag does, so a run stops at the first row lost instead of writing the rest into nothing.
    void checkRowFile() const {
        std::FILE* rows = sheet != nullptr ? sheet->optimize_tmpfile : nullptr;
        if (rows == nullptr || std::ferror(rows) == 0) {
            return;
        }
        int error = platform::lastFileError();
        platform::clearFileError();
        if (std::fflush(rows) != 0) {
            error = platform::lastFileError();
        }
        failWith(fileErrorReason(error != 0 ? error : EIO));
    }

    // Closing copies the rows into the sheet's part beside them before compressing it; without room for that
    // copy the part would be cut.
    void checkRoomToClose() {
        std::FILE* rows = sheet != nullptr ? sheet->optimize_tmpfile : nullptr;
        if (rows == nullptr) {
            return;
        }
        if (std::fflush(rows) != 0 || std::ferror(rows) != 0) {
            checkRowFile();
            failWith(fileErrorReason(EIO));
        }
        const long long rowBytes = fileSize(rows);
        std::error_code unknown;
        const auto space = std::filesystem::space(temporaryFolder, unknown);
        if (unknown || rowBytes <= 0) {
            return;
        }
        if (space.available < static_cast<std::uintmax_t>(rowBytes)) {
            failWith(fileErrorReason(ENOSPC));
        }
        // The part and the compressed file together take at most twice the rows.
        tightBeforeClose = space.available < 2 * static_cast<std::uintmax_t>(rowBytes) + kCloseMargin;
    }

    static long long fileSize(std::FILE* file) {
        const long long here = std::ftell(file);
        if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) {
            return -1;
        }
        const long long size = std::ftell(file);
        std::fseek(file, here, SEEK_SET);
        return size;
    }

    // What a full disk did to the parts libxlsxwriter wrote without checking shows only in the file.
    void checkWritten(const std::filesystem::path& file, std::uint64_t rows, int errnoValue) const {
        if (const auto fault = writtenWorkbookFault(file, rows)) {
            const bool told = errnoValue == ENOSPC || errnoValue == EIO || errnoValue == EFBIG
#ifdef EDQUOT
                              || errnoValue == EDQUOT
#endif
                ;
            failWith(told ? fileErrorReason(errnoValue) : tightBeforeClose ? fileErrorReason(ENOSPC) : *fault);
        }
    }

    int formatIndex(std::string_view brazilian) {
        if (const auto found = byBrazilian.find(brazilian); found != byBrazilian.end()) {
            return found->second;
        }
        std::string invariant = invariantNumberFormat(brazilian);
        int index = kGeneral;
        if (!invariant.empty() && !equalsIgnoringCase(invariant, "General")) {
            if (const auto known = byInvariant.find(invariant); known != byInvariant.end()) {
                index = known->second;
            } else {
                index = static_cast<int>(formats.size());
                DisplayFormat display(invariant);
                formats.push_back(Format{invariant, std::move(display)});
                byInvariant.emplace(std::move(invariant), index);
            }
        }
        byBrazilian.emplace(std::string(brazilian), index);
        return index;
    }

    int defaultFormat(int& slot, std::string_view brazilian) {
        if (slot == kUnregistered) {
            slot = formatIndex(brazilian);
        }
        return slot;
    }

    const DisplayFormat& display(int format) const {
        return format == kGeneral ? general : formats[static_cast<std::size_t>(format)].display;
    }

    lxw_format* lxwFormat(int format, bool bold) {
        if (format == kGeneral) {
            if (bold && boldGeneral == nullptr) {
                boldGeneral = newFormat(nullptr, true);
            }
            return bold ? boldGeneral : nullptr;
        }
        Format& entry = formats[static_cast<std::size_t>(format)];
        lxw_format*& slot = bold ? entry.bold : entry.plain;
        if (slot == nullptr) {
            slot = newFormat(entry.invariant.c_str(), bold);
        }
        return slot;
    }

    lxw_format* newFormat(const char* numberFormat, bool bold) {
        lxw_format* format = workbook_add_format(book);
        if (format == nullptr) {
            fail(LXW_ERROR_MEMORY_MALLOC_FAILED, 0);
        }
        if (numberFormat != nullptr) {
            format_set_num_format(format, numberFormat);
        }
        if (bold) {
            format_set_bold(format);
        }
        return format;
    }

    PendingCell& cellAt(int row, int column) {
        if (phase != Phase::Open) {
            throw std::runtime_error("A planilha não está aberta para gravação.");
        }
        if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
            throw std::runtime_error("A célula da linha " + std::to_string(row) + ", coluna " + std::to_string(column) +
                                     " fica fora dos limites da planilha (1.048.576 linhas e 16.384 colunas).");
        }
        if (row < pendingRow) {
            throw std::logic_error("Workbook: row " + std::to_string(row) + " was already written");
        }
        if (row > pendingRow) {
            flushRow();
            pendingRow = row;
        }
        const auto index = static_cast<std::size_t>(column - 1);
        if (cells.size() <= index) {
            cells.resize(index + 1);
        }
        PendingCell& cell = cells[index];
        if (!cell.touched) {
            cell.touched = true;
            touched.push_back(column);
        }
        return cell;
    }

    void recordNumber(int row, int column, double value) {
        if (columnTotalsOnly) {
            return;  // added up when the row is written
        }
        const auto index = static_cast<std::size_t>(column - 1);
        if (numbers.size() <= index) {
            numbers.resize(index + 1);
        }
        std::vector<double>& values = numbers[index];
        if (values.size() < static_cast<std::size_t>(row)) {
            values.resize(static_cast<std::size_t>(row), 0.0);
        }
        values[static_cast<std::size_t>(row - 1)] = value;
    }

    void clearNumber(int row, int column) {
        const auto index = static_cast<std::size_t>(column - 1);
        if (index < numbers.size() && static_cast<std::size_t>(row) <= numbers[index].size()) {
            numbers[index][static_cast<std::size_t>(row - 1)] = 0.0;
        }
    }

    void addToTotal(int row, int column, double value) {
        const auto index = static_cast<std::size_t>(column - 1);
        if (totals.size() <= index) {
            totals.resize(index + 1);
        }
        ColumnTotal& written = totals[index];
        if (written.firstRow == 0) {
            written.firstRow = row;
        }
        written.lastRow = row;
        written.total += value;
    }

    static bool holdsNumber(const PendingCell& cell) {
        return cell.kind == CellKind::Number || cell.kind == CellKind::Formula;
    }

    // Whole columns only: a range that takes part of the numbers written cannot be answered from the totals, and is
    // refused rather than stored with a wrong value. A one-column range adds up in the order of the cell by cell sum.
    double sumOfColumnTotals(const std::vector<CellRange>& ranges) const {
        double total = 0.0;
        for (const CellRange& range : ranges) {
            for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
                const auto index = static_cast<std::size_t>(column - 1);
                if (index < totals.size() && totals[index].firstRow != 0) {
                    const ColumnTotal& written = totals[index];
                    if (range.firstRow > written.firstRow || range.lastRow < written.lastRow) {
                        throw std::logic_error("Workbook: a sum over part of a column's numbers needs every number kept");
                    }
                    total += written.total;
                }
                // The row still open lies below the others, so it comes last.
                if (range.firstRow <= pendingRow && pendingRow <= range.lastRow && index < cells.size() &&
                    cells[index].touched && holdsNumber(cells[index])) {
                    total += cells[index].number;
                }
            }
        }
        return total;
    }

    double sum(const std::vector<CellRange>& ranges) const {
        if (columnTotalsOnly) {
            return sumOfColumnTotals(ranges);
        }
        double total = 0.0;
        for (const CellRange& range : ranges) {
            for (int row = range.firstRow; row <= range.lastRow; ++row) {
                for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
                    const auto index = static_cast<std::size_t>(column - 1);
                    if (index < numbers.size() && static_cast<std::size_t>(row) <= numbers[index].size()) {
                        total += numbers[index][static_cast<std::size_t>(row - 1)];
                    }
                }
            }
        }
        return total;
    }

    // Widens `into` to what the cell shows.
    void fit(int column, const PendingCell& cell, std::vector<double>& into) const {
        const auto index = static_cast<std::size_t>(column - 1);
        if (into.size() <= index) {
            into.resize(index + 1, 0.0);
        }
        double& widest = into[index];
        const double factor = cell.bold ? kBoldFactor : 1.0;
        switch (cell.kind) {
        case CellKind::None: return;
        case CellKind::Text:
            if (static_cast<double>(cell.text.size()) * kWidestCharacter * factor <= widest) {
                return;  // cannot be the widest
            }
            if (const DisplayFormat& shown = display(cell.format); shown.showsTextUnchanged()) {
                widest = std::max(widest, textWidth(cell.text) * factor);
            } else {
                widest = std::max(widest, textWidth(shown.showText(cell.text)) * factor);
            }
            return;
        case CellKind::Number:
        case CellKind::Formula: widest = std::max(widest, display(cell.format).numberWidth(cell.number) * factor); return;
        }
    }

    void flushRow() {
        const auto row = static_cast<lxw_row_t>(pendingRow - 1);
        bool written = false;
        for (const int column : touched) {
            PendingCell& cell = cells[static_cast<std::size_t>(column - 1)];
            lxw_format* format = lxwFormat(cell.format, cell.bold);
            const auto col = static_cast<lxw_col_t>(column - 1);
            lxw_error error = LXW_NO_ERROR;
            switch (cell.kind) {
            case CellKind::None:
                if (format != nullptr) {
                    error = worksheet_write_blank(sheet, row, col, format);
                }
                break;
            case CellKind::Text:
                if (cell.text.empty()) {
                    // An empty text leaves an empty cell that keeps its format.
                    if (format != nullptr) {
                        error = worksheet_write_blank(sheet, row, col, format);
                    }
                } else {
                    error = worksheet_write_string(sheet, row, col, cell.text.c_str(), format);
                }
                break;
            case CellKind::Number: error = worksheet_write_number(sheet, row, col, cell.number, format); break;
            case CellKind::Formula:
                error = worksheet_write_formula_num(sheet, row, col, cell.text.c_str(), format, cell.number);
                break;
            }
            if (error != LXW_NO_ERROR) {
                fail(error, platform::lastFileError());
            }
            written = written || cell.kind == CellKind::Number || cell.kind == CellKind::Formula ||
                      (cell.kind == CellKind::Text && !cell.text.empty()) || format != nullptr;
            fit(column, cell, widths);
            if (columnTotalsOnly && holdsNumber(cell)) {
                addToTotal(pendingRow, column, cell.number);
            }
            cell.kind = CellKind::None;
            cell.touched = false;
            cell.bold = false;
            cell.format = kGeneral;
            cell.text.clear();
        }
        touched.clear();
        if (written) {
            ++rowsWritten;
            checkRowFile();
        }
    }

    void writeEmptyWorkbook(const std::filesystem::path& file) {
        TemporaryWorkbookFile empty(file);
        lxw_workbook* emptyBook = workbook_new(platform::pathForCLibrary(empty.path()).c_str());
        if (emptyBook == nullptr || workbook_add_worksheet(emptyBook, kSheetName) == nullptr) {
            if (emptyBook != nullptr) {
                lxw_workbook_free(emptyBook);
            }
            fail(LXW_ERROR_MEMORY_MALLOC_FAILED, 0);
        }
        platform::clearFileError();
        if (const lxw_error error = workbook_close(emptyBook); error != LXW_NO_ERROR) {
            fail(error, platform::lastFileError());
        }
        checkWritten(empty.path(), 0, platform::lastFileError());
        empty.replaceTarget();
    }
};

Workbook::Workbook() : state_(std::make_unique<State>()) {}

Workbook::~Workbook() = default;

void Workbook::saveAs(const std::filesystem::path& file) {
    State& s = *state_;
    if (s.phase != State::Phase::New) {
        throw std::logic_error("Workbook::saveAs: the workbook already has a file");
    }
    s.target = file;
    if (const int error = replaceBlocker(file)) {
        throw std::runtime_error(workbookWriteError(file, fileErrorReason(error)));
    }
    removeAbandonedTemporaryWorkbooks(file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path());
    s.output.emplace(file);
    std::error_code ignored;
    if (!std::filesystem::exists(file, ignored)) {
        try {
            s.writeEmptyWorkbook(file);
        } catch (...) {
            s.discard();
            throw;
        }
        s.placeholder = true;
    }
    s.temporaryFolder = platform::temporaryFolderForCLibrary(file.parent_path());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = s.temporaryFolder.data();
    s.book = workbook_new_opt(platform::pathForCLibrary(s.output->path()).c_str(), &options);
    if (s.book == nullptr) {
        s.discard();
        s.fail(LXW_ERROR_MEMORY_MALLOC_FAILED, 0);
    }
    platform::clearFileError();
    s.sheet = workbook_add_worksheet(s.book, kSheetName);
    if (s.sheet == nullptr) {
        const int error = platform::lastFileError();
        s.discard();
        s.fail(LXW_ERROR_CREATING_TMPFILE, error);
    }
    s.phase = State::Phase::Open;
}

const std::filesystem::path& Workbook::path() const { return state_->target; }

void Workbook::setText(int row, int column, std::string_view text) {
    PendingCell& cell = state_->cellAt(row, column);
    if (!text.empty() && text.front() == '\'') {
        text.remove_prefix(1);
        if (cell.format == kGeneral) {
            cell.format = state_->defaultFormat(state_->textFormat, "@");
        }
    }
    cell.kind = CellKind::Text;
    cell.text.assign(fitText(text));
    state_->clearNumber(row, column);
}

void Workbook::setNumber(int row, int column, double value) {
    PendingCell& cell = state_->cellAt(row, column);
    cell.kind = CellKind::Number;
    cell.number = value;
    state_->recordNumber(row, column, value);
}

void Workbook::setCurrency(int row, int column, ScaledInteger value) {
    PendingCell& cell = state_->cellAt(row, column);
    if (cell.format == kGeneral) {
        cell.format = state_->defaultFormat(state_->currencyFormat, "\"R$\" #.##0,00");
    }
    cell.kind = CellKind::Number;
    cell.number = static_cast<double>(value.rescaled(4)) / 10000.0;
    state_->recordNumber(row, column, cell.number);
}

void Workbook::setInteger(int row, int column, std::int64_t value) {
    setNumber(row, column, static_cast<double>(value));
}

void Workbook::setDateTime(int row, int column, DateTime value) {
    PendingCell& cell = state_->cellAt(row, column);
    if (cell.format == kGeneral) {
        const bool hasTime = value != std::chrono::floor<std::chrono::days>(value);
        cell.format = hasTime ? state_->defaultFormat(state_->dateTimeFormat, "dd/mm/yyyy hh:mm")
                              : state_->defaultFormat(state_->dateFormat, "dd/mm/yyyy");
    }
    cell.kind = CellKind::Number;
    cell.number = serialOf(value);
    state_->recordNumber(row, column, cell.number);
}

void Workbook::setNumberFormat(int row, int column, std::string_view brazilianFormat) {
    PendingCell& cell = state_->cellAt(row, column);
    cell.format = state_->formatIndex(brazilianFormat);
}

void Workbook::setBold(int row, int column, bool bold) { state_->cellAt(row, column).bold = bold; }

void Workbook::setFormulaR1C1(int row, int column, std::string_view formula) {
    if (formula.empty() || formula.front() != '=') {
        setText(row, column, formula);  // not a formula: a constant
        return;
    }
    PendingCell& cell = state_->cellAt(row, column);
    std::string a1 = formulaR1C1ToA1(formula, row, column);
    const auto ranges = sumArguments(a1);
    cell.kind = CellKind::Formula;
    cell.number = ranges ? state_->sum(*ranges) : 0.0;
    cell.text = std::move(a1);
    state_->recordNumber(row, column, cell.number);
}

void Workbook::keepColumnTotalsOnly() {
    if (state_->pendingRow != 0) {
        throw std::logic_error("Workbook: column totals only must be chosen before the first cell");
    }
    state_->columnTotalsOnly = true;
}

void Workbook::autoFitColumns() {
    State& s = *state_;
    s.fitted = s.widths;
    for (const int column : s.touched) {
        s.fit(column, s.cells[static_cast<std::size_t>(column - 1)], s.fitted);
    }
}

void Workbook::save() {
    State& s = *state_;
    if (s.phase == State::Phase::Saved) {
        return;
    }
    if (s.phase != State::Phase::Open) {
        throw std::runtime_error("A planilha não está aberta para gravação.");
    }
    try {
        s.flushRow();
        for (std::size_t index = 0; index < s.fitted.size(); ++index) {
            if (s.fitted[index] > 0.0) {
                const double width = std::min(kMaxColumnWidth, std::ceil((s.fitted[index] + kFitMargin) * 100.0) / 100.0);
                const auto col = static_cast<lxw_col_t>(index);
                worksheet_set_column(s.sheet, col, col, width, nullptr);
            }
        }
        s.checkRoomToClose();
        const RowFileWatch rows(s.sheet);
        platform::clearFileError();
        const lxw_error error = workbook_close(s.book);  // frees the workbook whatever the outcome
        const int errnoValue = platform::lastFileError();
        s.book = nullptr;
        s.sheet = nullptr;
        if (error != LXW_NO_ERROR) {
            rows.closeIfLeft();
            s.fail(error, errnoValue);
        }
        s.checkWritten(s.output->path(), s.rowsWritten, errnoValue);
        s.output->replaceTarget();
    } catch (...) {
        s.abandon();
        s.phase = State::Phase::Closed;
        throw;
    }
    s.output.reset();
    s.placeholder = false;
    s.phase = State::Phase::Saved;
}

void Workbook::close() {
    state_->abandon();
    state_->phase = State::Phase::Closed;
}

}  // namespace velmora
