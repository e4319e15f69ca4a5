// Times the sales report end to end (runSalesReport) on a large generated sales history against its two
// unavoidable parts: the statement fetched alone and the same cells written alone with plain libxlsxwriter.
// Each phase runs in a process of its own, so that its peak memory is its own.
//
// It also prints what bounds any overlap: the time until the statement's first row (a statement that groups or
// sorts hands out nothing before it has read everything) and the closing of the file (libxlsxwriter compresses
// the sheet only after its last row), and the same cells through the monitor's own sheet writer.
//
// Without --documents or --items it measures 200,000 and 400,000 item rows in one run, and checks that the end to
// end time stays within 0.8 x (fetch alone + write alone) at both, and that the larger takes at most 10 MB more.
//
// sales_report_bench [--documents N] [--items N] [--clients N] [--products N] [--sellers N] [--rounds N]
//                    [--folder DIR] [--keep]

#include <ibase.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_phase.h"
#include "common/connection.h"
#include "direct_sheet_writer.h"
#include "reports/erp_masks.h"
#include "reports/sales_report_engine.h"
#include "reports/sales_sheet.h"
#include "reports/sales_workbook_writer.h"
#include "reports/workbook.h"
#include "sales_bench_data.h"

extern char** environ;

namespace velmora::bench {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// End to end against the statement fetched alone plus the cells written alone: the two overlap.
constexpr double kRatioGoal = 0.8;
// Twice the rows may take at most this much more memory: it must not grow with them.
constexpr double kMemoryGrowthMb = 10.0;
// The sizes measured in one run, in items (distinct rows of the item-level report).
constexpr int kSizes[] = {200000, 400000};

struct Options {
    SalesVolume volume;
    bool oneSize = false;  // --documents or --items given: that size alone
    int rounds = 3;
    std::optional<fs::path> folder;
    bool keep = false;
};

[[noreturn]] void usage(const std::string& problem) {
    std::cerr << problem << "\nusage: sales_report_bench [--documents N] [--items N] [--clients N] [--products N] "
                            "[--sellers N] [--rounds N] [--folder DIR] [--keep]\n";
    std::exit(2);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--keep") {
            options.keep = true;
            continue;
        }
        if (i + 1 >= argc) {
            usage("missing value after " + name);
        }
        const std::string value = argv[++i];
        if (name == "--folder") {
            options.folder = fs::absolute(value);
            continue;
        }
        char* end = nullptr;
        const long number = std::strtol(value.c_str(), &end, 10);
        if (end == value.c_str() || *end != '\0' || number < 1 || number > 10'000'000) {
            usage("not a positive number: " + value);
        }
        const int n = static_cast<int>(number);
        if (name == "--documents") {
            options.volume.documents = n;
            options.oneSize = true;
        } else if (name == "--items") {
            options.volume.itemsPerDocument = n;
            options.oneSize = true;
        } else if (name == "--clients") {
            options.volume.clients = n;
        } else if (name == "--products") {
            options.volume.products = n;
        } else if (name == "--sellers") {
            options.volume.sellers = n;
        } else if (name == "--rounds") {
            options.rounds = n;
        } else {
            usage("unknown option " + name);
        }
    }
    return options;
}

// The bench's working folder: a new one under the temporary folder unless one was given; removed at the end
// unless it was given or --keep asked to keep it.
class WorkFolder {
public:
    explicit WorkFolder(const Options& options) {
        if (options.folder) {
            path_ = *options.folder;
            fs::create_directories(path_);
            keep_ = true;
            return;
        }
        std::string pattern = (fs::temp_directory_path() / "velmora-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
        }
        path_ = pattern;
        keep_ = options.keep;
    }
    ~WorkFolder() {
        if (!keep_) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const fs::path& path() const { return path_; }
    bool kept() const { return keep_; }

private:
    fs::path path_;
    bool keep_ = false;
};

void runProgram(const std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (const std::string& word : words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (const int error = ::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ); error != 0) {
        throw std::runtime_error(words[0] + ": " + std::strerror(error));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("waitpid: " + std::string(std::strerror(errno)));
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(words[0] + " failed");
    }
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double megabytes(double bytes) { return bytes / 1e6; }
double rssMegabytes(long kilobytes) { return static_cast<double>(kilobytes) * 1024.0 / 1e6; }

// Everything a phase needs to reach the report.
struct Setting {
    fs::path database;
    fs::path programFolder;
    fs::path directWorkbook;
    fs::path sheetWriterWorkbook;

    std::unique_ptr<Connection> connect() const {
        auto connection = std::make_unique<Connection>(ConnectionSettings{database.string(), "SYSDBA", "plorvatec"});
        connection->open();
        return connection;
    }
};

std::string assembled(Connection& db) {
    SalesReportEngine engine;
    const auto statement = engine.assembleStatement(kBenchReport, kBenchCompany, benchStart(), benchEnd(), db);
    if (!statement) {
        throw std::runtime_error("the bench report has no columns");
    }
    return *statement;
}

void runEndToEnd(Connection& db, const Setting& setting) {
    SalesReportEngine engine;
    engine.runSalesReport(kBenchReport, kBenchCompany, nullptr, benchStart(), benchEnd(), db,
                          setting.programFolder);
}

// The inputs of the direct writer that the sales writer reads besides the rows.
struct SheetInputs {
    std::vector<std::string> legends;
    std::string quantityMask;
    std::string valueMask;
};

SheetInputs sheetInputs(Connection& db) {
    SheetInputs inputs;
    const ResultSet legends = db.query(
        " select frc.ds_legenda_coluna from tab_relatorio_coluna trc left join fix_relatorio_campo frc on "
        "(trc.id_relatorio_campo = frc.id_relatorio_campo) where trc.id_relatorio = " +
        std::to_string(kBenchReport) + " order by trc.no_coluna");
    for (std::size_t row = 0; row < legends.rowCount(); ++row) {
        inputs.legends.push_back(legends.field(row, 0).asString());
    }
    const ResultSet masks =
        db.query(" select fm_mascara_quantidade, fm_mascara_valor from tab_parametro where id_parametro = 1");
    inputs.quantityMask = swapSeparators(masks.field(0, 0).asString());
    inputs.valueMask = swapSeparators(masks.field(0, 1).asString());
    return inputs;
}

// Bytes of the fetched values: texts as UTF-8, every other field at its binary length.
double cellBytes(const ResultSet& rows) {
    double total = 0.0;
    for (std::size_t c = 0; c < rows.columnCount(); ++c) {
        const ColumnInfo& info = rows.columns()[c];
        const bool text = info.sqlType == SQL_TEXT || info.sqlType == SQL_VARYING || info.sqlType == SQL_BLOB;
        for (std::size_t r = 0; r < rows.rowCount(); ++r) {
            const Field field = rows.field(r, c);
            if (!field.isNull()) {
                total += text ? static_cast<double>(field.asString().size()) : static_cast<double>(info.length);
            }
        }
    }
    return total;
}

// Returns the seconds of the workbook's closing.
double writeDirect(const ResultSet& rows, const SheetInputs& inputs, const Setting& setting) {
    return writeDirectSheet(rows, inputs.legends, inputs.quantityMask, inputs.valueMask, setting.directWorkbook);
}

// The same rows through the monitor's own sheet writer, widths fitted, as a watched run writes them.
void writeThroughSheetWriter(const ResultSet& rows, const SheetInputs& inputs, const ErpMasks& masks,
                             const Setting& setting) {
    Workbook workbook;
    workbook.saveAs(setting.sheetWriterWorkbook);
    writeSalesSheet(workbook, inputs.legends, rows, masks, true, nullptr);
    workbook.autoFitColumns();
    workbook.save();
}

// Seconds from running the statement to holding its first row. A statement that groups or sorts hands out no row
// before it has read them all, so no writer can start earlier.
double untilFirstRow(Connection& db, const std::string& statement) {
    struct FirstRowArrived {};
    const auto begin = Clock::now();
    try {
        db.queryInBatches(statement, 1, [](ResultSet&&) { throw FirstRowArrived{}; });
    } catch (const FirstRowArrived&) {
    }
    return secondsSince(begin);
}

void printLine(const char* label, const std::string& value) { std::printf("  %-44s %s\n", label, value.c_str()); }

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string seconds(const std::vector<double>& runs) {
    std::string text = format("%7.3f s", median(runs)) + "   [";
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += format("%.3f", runs[i]);
    }
    return text + "]";
}

// What one size measured, for the comparison of the sizes.
struct SizeResult {
    double rows = 0.0;
    double peakMb = 0.0;
    bool ratioMet = false;
};

SizeResult measure(const Options& options, const SalesVolume& volume) {
    const WorkFolder work(options);
    const Setting setting{work.path() / "vendas.fdb", work.path() / "ERP", work.path() / "direta.xlsx",
                          work.path() / "escritor.xlsx"};

    std::printf("Sales report benchmark: %d documents x %d items, %d clients, %d products, %d sellers\n",
                volume.documents, volume.itemsPerDocument, volume.clients, volume.products, volume.sellers);
    std::printf("Working folder: %s%s\n\n", work.path().c_str(), work.kept() ? " (kept)" : "");

    auto start = Clock::now();
    const std::string fixtures = VELMORA_FIXTURES_DIR;
    runProgram({fixtures + "/create-database", setting.database.string(), fixtures + "/report_catalogue.sql"});
    const double createSeconds = secondsSince(start);
    const PhaseResult setup = runPhase("fill", [&](PhaseReport& report) {
        auto db = setting.connect();
        const auto filling = Clock::now();
        fillSalesHistory(*db, volume);
        defineItemReport(*db);
        report.put("seconds", secondsSince(filling));
        report.put("items", static_cast<double>(
                                db->query("select count(*) from mov_nf_comercio_item").field(0, 0).asInteger()));
    });
    std::printf("Database: created in %.1f s, %.0f item rows generated in %.1f s\n", createSeconds,
                setup.figures.at("items"), setup.figures.at("seconds"));

    // Peaks: one process per phase, each with only what that phase holds.
    const PhaseResult engineOnly = runPhase("engine", [&](PhaseReport& report) {
        auto db = setting.connect();
        const std::string statement = assembled(*db);
        report.put("rows", static_cast<double>(
                               db->query("select count(*) from (" + statement + ")").field(0, 0).asInteger()));
    });
    const PhaseResult fetchPeak = runPhase("fetch", [&](PhaseReport& report) {
        auto db = setting.connect();
        const ResultSet rows = db->query(assembled(*db));
        report.put("rows", static_cast<double>(rows.rowCount()));
        report.put("columns", static_cast<double>(rows.columnCount()));
        report.put("bytes", cellBytes(rows));
    });
    const PhaseResult writePeak = runPhase("write", [&](PhaseReport& report) {
        auto db = setting.connect();
        const ResultSet rows = db->query(assembled(*db));
        writeDirect(rows, sheetInputs(*db), setting);
        report.put("size", static_cast<double>(fs::file_size(setting.directWorkbook)));
    });
    const PhaseResult endToEndPeak = runPhase("end to end", [&](PhaseReport& report) {
        auto db = setting.connect();
        runEndToEnd(*db, setting);
        report.put("size", static_cast<double>(fs::file_size(workbookPath(setting.programFolder, "Vendas por Item"))));
    });

    // Times: all in one process, the statement run once before, phases interleaved round by round.
    const PhaseResult timing = runPhase("timing", [&](PhaseReport& report) {
        auto db = setting.connect();
        const std::string statement = assembled(*db);
        const ResultSet rows = db->query(statement);  // warm-up, and the cells of the direct writer
        const SheetInputs inputs = sheetInputs(*db);
        const ErpMasks masks = readErpMasks(*db);
        for (int round = 0; round < options.rounds; ++round) {
            const std::string suffix = std::to_string(round);
            auto begin = Clock::now();
            runEndToEnd(*db, setting);
            report.put("e2e" + suffix, secondsSince(begin));
            begin = Clock::now();
            {
                const ResultSet fetched = db->query(statement);
                report.put("fetch" + suffix, secondsSince(begin));
            }
            report.put("first" + suffix, untilFirstRow(*db, statement));
            begin = Clock::now();
            const double closing = writeDirect(rows, inputs, setting);
            report.put("write" + suffix, secondsSince(begin));
            report.put("closing" + suffix, closing);
            begin = Clock::now();
            writeThroughSheetWriter(rows, inputs, masks, setting);
            report.put("writer" + suffix, secondsSince(begin));
        }
    });

    // One figure of every round, in round order.
    const auto rounds = [&](const std::string& name) {
        std::vector<double> runs;
        for (int round = 0; round < options.rounds; ++round) {
            runs.push_back(timing.figures.at(name + std::to_string(round)));
        }
        return runs;
    };
    const std::vector<double> endToEnd = rounds("e2e");
    const std::vector<double> fetch = rounds("fetch");
    const std::vector<double> write = rounds("write");
    const std::vector<double> first = rounds("first");
    const std::vector<double> closing = rounds("closing");
    const std::vector<double> writer = rounds("writer");
    const double rows = fetchPeak.figures.at("rows");
    if (engineOnly.figures.at("rows") != rows) {
        throw std::runtime_error("the statement counted and the statement fetched disagree on the number of rows");
    }
    const double bytes = fetchPeak.figures.at("bytes");
    const double ratio = median(endToEnd) / (median(fetch) + median(write));
    const double peak = rssMegabytes(endToEndPeak.peakRssKb);
    const bool ratioMet = ratio <= kRatioGoal;

    std::printf("Result: %.0f rows x %.0f columns, fetched data %.1f MB (%.1f bytes a row)\n", rows,
                fetchPeak.figures.at("columns"), megabytes(bytes), rows > 0 ? bytes / rows : 0.0);
    std::printf("Workbooks: end to end %.1f MB, direct %.1f MB\n\n", megabytes(endToEndPeak.figures.at("size")),
                megabytes(writePeak.figures.at("size")));

    std::printf("Times, median of %d rounds after a warm-up run of the statement [each round]:\n", options.rounds);
    printLine("end to end (GerarPlanilhaVendas)", seconds(endToEnd));
    printLine("(a) statement fetched alone (Connection)", seconds(fetch));
    printLine("(a1) of (a): until the first row", seconds(first));
    printLine("(b) cells written alone (libxlsxwriter)", seconds(write));
    printLine("(b1) of (b): closing (compressing) the file", seconds(closing));
    printLine("(c) the same cells, monitor's sheet writer", seconds(writer));
    printLine("ratio end to end / (a + b)",
              format("%7.3f", ratio) + format("     goal <= %.2f  ", kRatioGoal) + (ratioMet ? "PASS" : "FAIL"));
    // No row can be written before the first arrives, and the file is compressed only after the last: the least
    // any overlap of fetching and writing can reach.
    const double least = median(first) + median(write);
    printLine("least possible end to end: (a1) + (b)", format("%7.3f s", least));
    printLine("its ratio to (a + b)", format("%7.3f", least / (median(fetch) + median(write))));

    std::printf("\nPeak memory (ru_maxrss of one process per phase):\n");
    printLine("engine only (statement counted, no rows kept)", format("%7.1f MB", rssMegabytes(engineOnly.peakRssKb)));
    printLine("(a) fetch", format("%7.1f MB", rssMegabytes(fetchPeak.peakRssKb)));
    printLine("(b) fetch + direct write", format("%7.1f MB", rssMegabytes(writePeak.peakRssKb)));
    printLine("end to end", format("%7.1f MB", peak));
    printLine("end to end less engine only (client side)",
              format("%7.1f MB", peak - rssMegabytes(engineOnly.peakRssKb)));
    std::printf("\n");
    return {rows, peak, ratioMet};
}

int run(const Options& options) {
    if (options.oneSize) {
        return measure(options, options.volume).ratioMet ? 0 : 1;
    }
    std::vector<SizeResult> results;
    for (const int items : kSizes) {
        SalesVolume volume = options.volume;
        volume.documents = items / volume.itemsPerDocument;
        Options sized = options;
        if (sized.folder) {
            sized.folder = *sized.folder / std::to_string(items);  // a database of its own for each size
        }
        results.push_back(measure(sized, volume));
    }
    const double growth = results.back().peakMb - results.front().peakMb;
    const bool memoryMet = growth <= kMemoryGrowthMb;
    std::printf("Summary:\n");
    for (const SizeResult& result : results) {
        printLine(format("%.0f rows", result.rows).c_str(),
                  format("end to end peak %7.1f MB, ratio goal ", result.peakMb) + (result.ratioMet ? "PASS" : "FAIL"));
    }
    printLine("peak growth from the smaller to the larger size",
              format("%7.1f MB", growth) + format("     goal <= %.0f MB  ", kMemoryGrowthMb) +
                  (memoryMet ? "PASS" : "FAIL"));
    bool ratiosMet = true;
    for (const SizeResult& result : results) {
        ratiosMet = ratiosMet && result.ratioMet;
    }
    return ratiosMet && memoryMet ? 0 : 1;
}

}  // namespace

}  // namespace velmora::bench

int main(int argc, char** argv) {
    try {
        return velmora::bench::run(velmora::bench::parseOptions(argc, argv));
    } catch (const std::exception& error) {
        std::cerr << "sales_report_bench: " << error.what() << "\n";
        return 2;
    }
}
