#include "reports/workbook_check.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "common/platform_files.h"

namespace velmora {

namespace {

constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kDirectoryEntry = 0x02014b50;
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::size_t kEndOfDirectorySize = 22;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::string_view kSheetPart = "xl/worksheets/sheet1.xml";
constexpr std::string_view kIncomplete = "a planilha gravada ficou incompleta";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, FileCloser>;

bool seekTo(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
    return ::_fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::optional<std::uint64_t> sizeOf(std::FILE* file) {
#ifdef _WIN32
    if (::_fseeki64(file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const long long size = ::_ftelli64(file);
#else
    if (::fseeko(file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const long long size = ::ftello(file);
#endif
    return size < 0 ? std::nullopt : std::optional<std::uint64_t>(static_cast<std::uint64_t>(size));
}

bool readAt(std::FILE* file, std::uint64_t offset, void* into, std::size_t size) {
    return seekTo(file, offset) && std::fread(into, 1, size, file) == size;
}

std::uint32_t little16(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8;
}

std::uint32_t little32(const unsigned char* bytes) { return little16(bytes) | little16(bytes + 2) << 16; }

// Follows the nesting of an XML part as it is inflated, without keeping it: a part cut anywhere, or with a piece
// missing, leaves an element open or a tag unfinished.
class XmlShape {
public:
    void feed(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size && !broken_; ++i) {
            // Cell values are most of a sheet: skip to the next tag in one go.
            if (state_ == State::Text && !rootClosed_) {
                const void* tag = std::memchr(data + i, '<', size - i);
                if (tag == nullptr) {
                    return;
                }
                i = static_cast<std::size_t>(static_cast<const char*>(tag) - data);
            }
            step(data[i]);
        }
    }

    bool whole() const { return !broken_ && state_ == State::Text && depth_ == 0 && rootClosed_; }
    std::uint64_t rows() const { return rows_; }

private:
    enum class State { Text, AfterOpening, Name, Tag, Quoted, Special };

    void step(char c) {
        switch (state_) {
        case State::Text:
            if (c == '<') {
                state_ = State::AfterOpening;
            } else if (rootClosed_ && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
                broken_ = true;  // nothing but blanks may follow the root element
            }
            return;
        case State::AfterOpening:
            closing_ = c == '/';
            name_.clear();
            if (c == '?' || c == '!') {
                state_ = State::Special;
            } else {
                state_ = State::Name;
                if (!closing_) {
                    step(c);
                }
            }
            return;
        case State::Name:
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>') {
                state_ = State::Tag;
                step(c);
            } else if (name_.size() < 8) {
                name_ += c;
            }
            return;
        case State::Tag:
            if (c == '"' || c == '\'') {
                quote_ = c;
                state_ = State::Quoted;
            } else if (c == '<') {
                broken_ = true;
            } else if (c == '>') {
                endTag();
            }
            previous_ = c;
            return;
        case State::Quoted:
            if (c == quote_) {
                state_ = State::Tag;
                previous_ = c;
            }
            return;
        case State::Special:
            if (c == '>') {
                state_ = State::Text;
            }
            return;
        }
    }

    void endTag() {
        state_ = State::Text;
        if (name_.empty() && !closing_) {
            broken_ = true;
            return;
        }
        if (closing_) {
            if (depth_ == 0) {
                broken_ = true;
                return;
            }
            rootClosed_ = --depth_ == 0;
            return;
        }
        if (rootClosed_) {
            broken_ = true;  // a second root: a piece of the part is missing
            return;
        }
        if (name_ == "row") {
            ++rows_;
        }
        if (previous_ == '/') {
            rootClosed_ = depth_ == 0;
        } else {
            ++depth_;
        }
    }

    State state_ = State::Text;
    bool broken_ = false;
    bool closing_ = false;
    bool rootClosed_ = false;
    char quote_ = '"';
    char previous_ = '\0';
    std::string name_;
    std::uint64_t depth_ = 0;
    std::uint64_t rows_ = 0;
};

struct Part {
    std::string name;
    unsigned method = 0;
    std::uint32_t crc = 0;
    std::uint64_t packedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t headerOffset = 0;
};

std::optional<std::vector<Part>> readDirectory(std::FILE* file) {
    const auto fileSize = sizeOf(file);
    if (!fileSize || *fileSize < kEndOfDirectorySize) {
        return std::nullopt;
    }
    // The end record is last but for a comment of up to 64 KiB.
    const std::uint64_t tail = std::min<std::uint64_t>(*fileSize, kEndOfDirectorySize + 0xFFFF);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(tail));
    if (!readAt(file, *fileSize - tail, bytes.data(), bytes.size())) {
        return std::nullopt;
    }
    std::optional<std::size_t> end;
    for (std::size_t at = bytes.size() - kEndOfDirectorySize + 1; at-- > 0;) {
        if (little32(&bytes[at]) == kEndOfDirectory) {
            end = at;
            break;
        }
    }
    if (!end) {
        return std::nullopt;
    }
    const unsigned char* record = &bytes[*end];
    const std::uint32_t count = little16(record + 10);
    const std::uint64_t directorySize = little32(record + 12);
    const std::uint64_t directoryOffset = little32(record + 16);
    if (directoryOffset + directorySize > *fileSize) {
        return std::nullopt;
    }
    std::vector<unsigned char> directory(static_cast<std::size_t>(directorySize));
    if (!readAt(file, directoryOffset, directory.data(), directory.size())) {
        return std::nullopt;
    }
    std::vector<Part> parts;
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + kDirectoryEntrySize > directory.size() || little32(&directory[at]) != kDirectoryEntry) {
            return std::nullopt;
        }
        const unsigned char* entry = &directory[at];
        const std::size_t nameLength = little16(entry + 28);
        const std::size_t skipped = nameLength + little16(entry + 30) + little16(entry + 32);
        if (at + kDirectoryEntrySize + nameLength > directory.size()) {
            return std::nullopt;
        }
        Part part;
        part.method = little16(entry + 10);
        part.crc = little32(entry + 16);
        part.packedSize = little32(entry + 20);
        part.size = little32(entry + 24);
        part.headerOffset = little32(entry + 42);
        part.name.assign(reinterpret_cast<const char*>(entry + kDirectoryEntrySize), nameLength);
        parts.push_back(std::move(part));
        at += kDirectoryEntrySize + skipped;
    }
    return parts;
}

bool isXml(std::string_view name) { return name.ends_with(".xml") || name.ends_with(".rels"); }

// Inflates one part, checking its size and checksum, and follows its XML shape where it has one.
bool partIsWhole(std::FILE* file, const Part& part, XmlShape* shape) {
    std::array<unsigned char, kLocalHeaderSize> header{};
    if (!readAt(file, part.headerOffset, header.data(), header.size()) || little32(header.data()) != kLocalHeader) {
        return false;
    }
    if (!seekTo(file, part.headerOffset + kLocalHeaderSize + little16(&header[26]) + little16(&header[28]))) {
        return false;
    }
    if (part.method != 0 && part.method != Z_DEFLATED) {
        return false;
    }

    z_stream stream{};
    if (part.method == Z_DEFLATED && inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return false;
    }
    const std::unique_ptr<z_stream, int (*)(z_stream*)> ending(part.method == Z_DEFLATED ? &stream : nullptr,
                                                               inflateEnd);
    std::vector<unsigned char> in(kChunk);
    std::vector<unsigned char> out(kChunk);
    std::uint64_t left = part.packedSize;
    std::uint64_t produced = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    bool ended = part.method != Z_DEFLATED;
    const auto take = [&](const unsigned char* data, std::size_t size) {
        produced += size;
        crc = crc32(crc, data, static_cast<uInt>(size));
        if (shape != nullptr) {
            shape->feed(reinterpret_cast<const char*>(data), size);
        }
    };
    while (left > 0) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(left, in.size()));
        if (std::fread(in.data(), 1, size, file) != size) {
            return false;
        }
        left -= size;
        if (part.method != Z_DEFLATED) {
            take(in.data(), size);
            continue;
        }
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(size);
        while (stream.avail_in > 0 && !ended) {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            const int result = inflate(&stream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END) {
                return false;
            }
            take(out.data(), out.size() - stream.avail_out);
            ended = result == Z_STREAM_END;
        }
        if (ended && (stream.avail_in > 0 || left > 0)) {
            return false;
        }
    }
    return ended && produced == part.size && crc == part.crc;
}

}  // namespace

std::optional<std::string> writtenWorkbookFault(const std::filesystem::path& file, std::uint64_t sheetRows) {
    const OpenFile in(platform::openStreamForReading(file));
    if (!in) {
        return std::string(kIncomplete) + " (o arquivo não pôde ser lido de volta)";
    }
    const auto parts = readDirectory(in.get());
    if (!parts) {
        return std::string(kIncomplete) + " (o índice do arquivo compactado está danificado)";
    }
    bool sheetFound = false;
    for (const Part& part : *parts) {
        XmlShape shape;
        const bool xml = isXml(part.name);
        if (!partIsWhole(in.get(), part, xml ? &shape : nullptr) || (xml && !shape.whole())) {
            return std::string(kIncomplete) + " (" + part.name + ")";
        }
        if (part.name == kSheetPart) {
            sheetFound = true;
            if (shape.rows() != sheetRows) {
                return std::string(kIncomplete) + " (" + std::to_string(shape.rows()) + " de " +
                       std::to_string(sheetRows) + " linhas)";
            }
        }
    }
    if (!sheetFound) {
        return std::string(kIncomplete) + " (falta a folha de dados)";
    }
    return std::nullopt;
}

}  // namespace velmora
