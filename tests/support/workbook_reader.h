#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace velmora::test {

// One cell as openpyxl reads it back.
struct CellReadBack {
    std::string dataType;   // openpyxl's: "s" text, "n" number, "d" date, "f" formula
    std::string valueType;  // the Python type of the value: str, int, float, datetime, NoneType
    std::string numberFormat;
    bool bold = false;
    std::string value;   // a formula's text for formulas; numbers as Python writes them; dates "yyyy-mm-dd hh:mm:ss"
    std::string cached;  // what a reader that does not calculate sees
};

// The first sheet of a workbook read by an independent reader (openpyxl).
struct WorkbookReadBack {
    std::string sheetTitle;
    int maxRow = 0;
    int maxColumn = 0;
    std::map<std::string, CellReadBack> cells;  // by coordinate ("A1"); cells never written are absent
    std::map<std::string, double> widths;       // by column letter; only columns given a width

    bool has(const std::string& coordinate) const { return cells.count(coordinate) > 0; }
    // Throws when the cell is absent, so that a test reports it instead of reading garbage.
    const CellReadBack& at(const std::string& coordinate) const;
};

WorkbookReadBack readWorkbook(const std::filesystem::path& file);

}  // namespace velmora::test
