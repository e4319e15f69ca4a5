#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"

namespace velmora {

// What the client reports about one output column. sqlType is the client's SQL_* code without the nullable bit.
struct ColumnInfo {
    std::string name;   // alias as written in the statement, upper case unless quoted
    std::string field;  // underlying column name, empty for expressions
    std::string relation;
    unsigned sqlType = 0;
    int subType = 0;
    int scale = 0;
    unsigned length = 0;
};

// An exact decimal as the database delivers it: value × 10^scale.
struct ScaledInteger {
    std::int64_t value = 0;
    int scale = 0;

    double toDouble() const;
    // Rescaled (rounded half away from zero) to `decimals` places, e.g. 4 for the ERP's currency values.
    std::int64_t rescaled(int decimals) const;
};

class ResultSet;

// One cell, read in the forms the ERP's code asks for. Null reads as 0, empty text or day zero.
class Field {
public:
    Field(const ResultSet& rows, std::size_t row, std::size_t column) : rows_(&rows), row_(row), column_(column) {}

    const ColumnInfo& info() const;
    bool isNull() const;
    // Text form: texts as stored (UTF-8), numbers in Brazilian notation, dates dd/mm/yyyy, times hh:mm:ss.
    std::string asString() const;
    // Integers; an exact decimal is rounded, text is parsed (0 when it is no number).
    std::int64_t asInteger() const;
    double asDouble() const;
    ScaledInteger asScaled() const;
    // A DATE is midnight of its day; a TIME is that time on day zero.
    DateTime asDateTime() const;

private:
    std::string_view raw() const;

    const ResultSet* rows_;
    std::size_t row_;
    std::size_t column_;
};

// Every row of a result, fetched at once and kept compactly: the cells' bytes live in pages of a fixed number of
// cells, so that a large result grows page by page instead of being copied into ever larger blocks.
class ResultSet {
public:
    explicit ResultSet(std::vector<ColumnInfo> columns = {});

    const std::vector<ColumnInfo>& columns() const { return columns_; }
    std::size_t columnCount() const { return columns_.size(); }
    std::size_t rowCount() const { return columns_.empty() ? 0 : cellCount_ / columns_.size(); }
    bool empty() const { return rowCount() == 0; }

    // Column position by alias, compared without regard to case; throws when the result has no such column.
    std::size_t columnIndex(std::string_view name) const;
    Field field(std::size_t row, std::size_t column) const { return Field(*this, row, column); }
    Field field(std::size_t row, std::string_view name) const { return Field(*this, row, columnIndex(name)); }

    // Filled by the connection, one cell after the other, row by row.
    void appendCell(std::string_view bytes);
    void appendNull();

private:
    friend class Field;
    static constexpr std::uint32_t kNullBit = 0x80000000u;
    static constexpr unsigned kPageBits = 16;
    static constexpr std::size_t kPageCells = std::size_t{1} << kPageBits;

    struct Page {
        std::string bytes;
        // Start of each cell in bytes (null cells flagged by kNullBit), plus the end of the last cell.
        std::vector<std::uint32_t> offsets;
    };
    Page& pageForNextCell();
    const Page& pageOf(std::size_t cell) const { return pages_[cell >> kPageBits]; }
    static std::size_t indexInPage(std::size_t cell) { return cell & (kPageCells - 1); }

    std::vector<ColumnInfo> columns_;
    std::vector<Page> pages_;
    std::size_t cellCount_ = 0;
    std::size_t byteCount_ = 0;
};

}  // namespace velmora
