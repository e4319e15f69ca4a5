#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/text_encoding.h"
#include "support/file_bytes.h"

namespace velmora::test {

// One line of a run journal, decoded.
struct JournalLine {
    std::string time;
    std::string kind;
    std::string subject;
    std::string result;
    std::string detail;
};

// The lines of a journal file; a line without its five fields comes back with what it has.
inline std::vector<JournalLine> journalLines(const std::filesystem::path& file) {
    std::vector<JournalLine> lines;
    for (const std::string& line : splitLines(windows1252ToUtf8(readBytes(file)))) {
        if (line.empty()) {
            continue;
        }
        std::vector<std::string> fields(1);
        for (const char c : line) {
            if (c == '\t') {
                fields.emplace_back();
            } else {
                fields.back() += c;
            }
        }
        fields.resize(5);
        lines.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
    }
    return lines;
}

// The lines of one kind.
inline std::vector<JournalLine> journalLines(const std::filesystem::path& file, const std::string& kind) {
    std::vector<JournalLine> found;
    for (const JournalLine& line : journalLines(file)) {
        if (line.kind == kind) {
            found.push_back(line);
        }
    }
    return found;
}

}  // namespace velmora::test
