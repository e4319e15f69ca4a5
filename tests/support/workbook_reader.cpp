#include "support/workbook_reader.h"

#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace velmora::test {

namespace {

std::string unescaped(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            result += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        parts.push_back(unescaped(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
        if (tab == std::string::npos) {
            return parts;
        }
        start = tab + 1;
    }
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

const CellReadBack& WorkbookReadBack::at(const std::string& coordinate) const {
    const auto found = cells.find(coordinate);
    if (found == cells.end()) {
        throw std::runtime_error("no cell " + coordinate + " in the workbook");
    }
    return found->second;
}

WorkbookReadBack readWorkbook(const std::filesystem::path& file) {
    const std::string script = std::string(VELMORA_FIXTURES_DIR) + "/../support/read_workbook.py";
    const std::string command = "/usr/bin/python3 " + shellQuoted(script) + " " + shellQuoted(file.string()) + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) {
        throw std::runtime_error("cannot run " + command);
    }
    std::string output;
    char buffer[65536];
    while (const std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe.get())) {
        output.append(buffer, count);
    }
    const int status = ::pclose(pipe.release());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("reading " + file.string() + " failed:\n" + output);
    }
    WorkbookReadBack workbook;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> parts = fields(line);
        if (parts[0] == "sheet" && parts.size() == 4) {
            workbook.sheetTitle = parts[1];
            workbook.maxRow = std::stoi(parts[2]);
            workbook.maxColumn = std::stoi(parts[3]);
        } else if (parts[0] == "cell" && parts.size() == 8) {
            workbook.cells[parts[1]] = CellReadBack{parts[2], parts[3], parts[4], parts[5] == "1", parts[6], parts[7]};
        } else if (parts[0] == "width" && parts.size() == 3) {
            workbook.widths[parts[1]] = std::stod(parts[2]);
        } else {
            throw std::runtime_error("unexpected line from the workbook reader: " + line);
        }
    }
    return workbook;
}

}  // namespace velmora::test
