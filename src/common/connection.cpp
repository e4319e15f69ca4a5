#include "common/connection.h"

#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "common/database_path.h"
#include "common/firebird_client.h"
#include "common/text_encoding.h"

namespace velmora {

namespace {

constexpr unsigned short kDialect = 3;
constexpr int kConnectTimeoutSeconds = 20;
constexpr int kCharsetOctets = 1;
constexpr short kFirstGuessOfColumns = 32;
constexpr ISC_STATUS kEndOfRows = 100;

bool failed(const ISC_STATUS* status) { return status[0] == 1 && status[1] != 0; }

void throwIfFailed(const FirebirdClient& client, const ISC_STATUS* status) {
    if (failed(status)) {
        throw toDatabaseError(client, status);
    }
}

std::string_view rightTrimmed(std::string_view text) {
    const auto end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

// Parameter blocks of the classic interface: a version byte, then items of a tag, a length byte and the value.
class ParameterBlock {
public:
    explicit ParameterBlock(char version) : bytes_(1, version) {}
    void add(char tag) {  // an item that is its own value
        bytes_ += tag;
        bytes_ += '\0';
    }
    void add(char tag, std::string_view text) {
        if (text.size() > 255) {
            throw std::runtime_error("Valor longo demais para a conexão com o banco de dados.");
        }
        bytes_ += tag;
        bytes_ += static_cast<char>(text.size());
        bytes_ += text;
    }
    void add(char tag, std::int32_t value) {
        bytes_ += tag;
        bytes_ += static_cast<char>(4);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes_ += static_cast<char>((static_cast<std::uint32_t>(value) >> shift) & 0xFF);
        }
    }
    const char* data() const { return bytes_.data(); }
    short size() const { return static_cast<short>(bytes_.size()); }

private:
    std::string bytes_;
};

std::string text(const ISC_SCHAR* name, ISC_SHORT length) {
    return std::string(name, static_cast<std::size_t>(std::max<ISC_SHORT>(0, std::min<ISC_SHORT>(length, 32))));
}

// An output descriptor (XSQLDA) with room for `columns` columns.
class OutputDescriptor {
public:
    explicit OutputDescriptor(short columns) { resize(columns); }
    XSQLDA* get() { return reinterpret_cast<XSQLDA*>(storage_.data()); }
    void resize(short columns) {
        storage_.assign((XSQLDA_LENGTH(columns) + sizeof(Word) - 1) / sizeof(Word), Word{});
        get()->version = SQLDA_VERSION1;
        get()->sqln = columns;
    }

private:
    using Word = std::max_align_t;
    std::vector<Word> storage_;
};

}  // namespace

struct Connection::Handles {
    isc_db_handle database = 0;
    isc_tr_handle transaction = 0;
};

namespace {

// One prepared statement, dropped when it goes out of scope, also after a failure.
class Statement {
public:
    Statement(const FirebirdClient& client, isc_db_handle* database) : client_(client) {
        ISC_STATUS_ARRAY status{};
        client_.isc_dsql_allocate_statement(status, database, &handle_);
        throwIfFailed(client_, status);
    }
    ~Statement() {
        ISC_STATUS_ARRAY status{};
        client_.isc_dsql_free_statement(status, &handle_, DSQL_drop);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    isc_stmt_handle* handle() { return &handle_; }

    // The kind of statement, as isc_info_sql_stmt_* says.
    int type() {
        ISC_STATUS_ARRAY status{};
        const char item = isc_info_sql_stmt_type;
        std::array<char, 16> answer{};
        client_.isc_dsql_sql_info(status, &handle_, 1, &item, static_cast<short>(answer.size()), answer.data());
        throwIfFailed(client_, status);
        if (answer[0] != isc_info_sql_stmt_type) {
            return 0;
        }
        const auto byte = [&](int index) { return static_cast<unsigned char>(answer[static_cast<std::size_t>(index)]); };
        const int length = byte(1) | (byte(2) << 8);
        int value = 0;
        for (int i = length - 1; i >= 0; --i) {
            value = (value << 8) | byte(3 + i);
        }
        return value;
    }

private:
    const FirebirdClient& client_;
    isc_stmt_handle handle_ = 0;
};

// Room for one row of a described output: each column's value and null flag, aligned for its type.
struct RowBuffer {
    std::vector<std::max_align_t> storage;
    std::vector<short> nullFlags;

    void bind(XSQLDA* columns) {
        std::size_t size = 0;
        std::vector<std::size_t> offsets;
        for (short i = 0; i < columns->sqld; ++i) {
            XSQLVAR& column = columns->sqlvar[i];
            const std::size_t length =
                static_cast<std::size_t>(column.sqllen) + ((column.sqltype & ~1) == SQL_VARYING ? 2 : 0);
            size = (size + 7) & ~std::size_t{7};
            offsets.push_back(size);
            size += length;
        }
        storage.assign(size / sizeof(std::max_align_t) + 1, std::max_align_t{});
        nullFlags.assign(static_cast<std::size_t>(columns->sqld), 0);
        auto* base = reinterpret_cast<ISC_SCHAR*>(storage.data());
        for (short i = 0; i < columns->sqld; ++i) {
            XSQLVAR& column = columns->sqlvar[i];
            column.sqldata = base + offsets[static_cast<std::size_t>(i)];
            column.sqlind = &nullFlags[static_cast<std::size_t>(i)];
            column.sqltype |= 1;  // every column gets its null flag, nullable or not
        }
    }
};

std::string readBlob(const FirebirdClient& client, isc_db_handle* database, isc_tr_handle* transaction, ISC_QUAD id) {
    ISC_STATUS_ARRAY status{};
    isc_blob_handle blob = 0;
    client.isc_open_blob2(status, database, transaction, &blob, &id, 0, nullptr);
    throwIfFailed(client, status);
    std::string data;
    std::array<char, 32768> chunk{};
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS result =
            client.isc_get_segment(status, &blob, &got, static_cast<unsigned short>(chunk.size()), chunk.data());
        if (result == 0 || result == isc_segment) {
            data.append(chunk.data(), got);
            continue;
        }
        const bool atEnd = result == isc_segstr_eof;
        ISC_STATUS_ARRAY readError{};
        std::memcpy(readError, status, sizeof readError);
        ISC_STATUS_ARRAY closing{};
        client.isc_close_blob(closing, &blob);
        if (!atEnd) {
            throw toDatabaseError(client, readError);
        }
        return data;
    }
}

}  // namespace

std::string databaseClientDescription() { return firebirdClient().description(); }

Connection::Connection(ConnectionSettings settings)
    : settings_(std::move(settings)), handles_(std::make_unique<Handles>()) {}

Connection::~Connection() { close(); }

const FirebirdClient& Connection::client() const {
    return settings_.client != nullptr ? *settings_.client : firebirdClient();
}

bool Connection::isOpen() const { return handles_->database != 0; }

void Connection::open() {
    if (isOpen()) {
        return;
    }
    const FirebirdClient& client = this->client();
    ParameterBlock dpb(isc_dpb_version1);
    dpb.add(isc_dpb_user_name, settings_.userName);
    dpb.add(isc_dpb_password, settings_.password);
    dpb.add(isc_dpb_lc_ctype, "WIN1252");
    dpb.add(isc_dpb_sql_dialect, static_cast<std::int32_t>(kDialect));
    // A server machine that is switched off would hold the window for the client's default three minutes.
    dpb.add(isc_dpb_connect_timeout, kConnectTimeoutSeconds);
    // The path reaches the engine as the file system names it, accents included; converted to the ANSI
    // code page it could name another file. Clients older than Firebird 2.5 only know the ANSI code page.
    std::string name = settings_.database;
    if (client.takesUtf8FileNames()) {
        dpb.add(isc_dpb_utf8_filename);
    } else {
        name = databasePathForAnsiClient(settings_.database, client.description());
    }
    ISC_STATUS_ARRAY status{};
    isc_db_handle database = 0;
    client.isc_attach_database(status, static_cast<short>(name.size()), name.c_str(), &database, dpb.size(), dpb.data());
    throwIfFailed(client, status);
    handles_->database = database;
}

void Connection::close() {
    if (!isOpen()) {
        return;
    }
    const FirebirdClient& client = this->client();
    ISC_STATUS_ARRAY status{};
    if (handles_->transaction != 0) {
        client.isc_commit_transaction(status, &handles_->transaction);
        if (failed(status)) {
            ISC_STATUS_ARRAY rollback{};
            client.isc_rollback_transaction(rollback, &handles_->transaction);
        }
        handles_->transaction = 0;
    }
    // A link that is gone already is just let go of.
    client.isc_detach_database(status, &handles_->database);
    handles_->database = 0;
}

void Connection::ensureTransaction() {
    open();
    if (handles_->transaction != 0) {
        return;
    }
    const FirebirdClient& client = this->client();
    const char tpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_nowait};
    ISC_STATUS_ARRAY status{};
    client.isc_start_transaction(status, &handles_->transaction, static_cast<short>(1), &handles_->database,
                                 static_cast<unsigned short>(sizeof tpb), tpb);
    if (failed(status)) {
        handles_->transaction = 0;
        throw toDatabaseError(client, status);
    }
}

ResultSet Connection::query(std::string_view sql) {
    ResultSet all;
    queryInBatches(sql, std::numeric_limits<std::size_t>::max(), [&all](ResultSet&& rows) { all = std::move(rows); });
    return all;
}

void Connection::queryInBatches(std::string_view sql, std::size_t rowsPerBatch,
                                const std::function<void(ResultSet&&)>& onBatch) {
    ensureTransaction();
    const FirebirdClient& client = this->client();
    isc_db_handle* database = &handles_->database;
    isc_tr_handle* transaction = &handles_->transaction;
    ISC_STATUS_ARRAY status{};
    const auto check = [&] { throwIfFailed(client, status); };

    Statement statement(client, database);
    const std::string textOfStatement = utf8ToWindows1252(sql);
    OutputDescriptor output(kFirstGuessOfColumns);
    client.isc_dsql_prepare(status, transaction, statement.handle(), 0, textOfStatement.c_str(), kDialect, output.get());
    check();
    if (output.get()->sqld > output.get()->sqln) {
        output.resize(output.get()->sqld);
        client.isc_dsql_describe(status, statement.handle(), kDialect, output.get());
        check();
    }
    XSQLDA* described = output.get();
    const short count = described->sqld;

    std::vector<ColumnInfo> columns;
    std::vector<int> charsets;
    for (short i = 0; i < count; ++i) {
        const XSQLVAR& column = described->sqlvar[i];
        ColumnInfo info;
        info.name = windows1252ToUtf8(text(column.aliasname, column.aliasname_length));
        info.field = windows1252ToUtf8(text(column.sqlname, column.sqlname_length));
        info.relation = windows1252ToUtf8(text(column.relname, column.relname_length));
        info.sqlType = static_cast<unsigned>(column.sqltype & ~1);
        const bool isText = info.sqlType == SQL_TEXT || info.sqlType == SQL_VARYING;
        // For texts the client puts the character set (and collation) where other types have their subtype.
        info.subType = isText ? 0 : column.sqlsubtype;
        info.scale = column.sqlscale;
        info.length = static_cast<unsigned>(column.sqllen);
        charsets.push_back(isText ? (column.sqlsubtype & 0xFF) : 0);
        columns.push_back(std::move(info));
    }
    RowBuffer row;
    row.bind(described);

    ResultSet result(columns);
    const auto appendRow = [&] {
        for (short i = 0; i < count; ++i) {
            const XSQLVAR& column = described->sqlvar[i];
            if (*column.sqlind < 0) {
                result.appendNull();
                continue;
            }
            const char* data = column.sqldata;
            const std::size_t index = static_cast<std::size_t>(i);
            const bool octets = charsets[index] == kCharsetOctets;
            switch (columns[index].sqlType) {
                case SQL_VARYING: {
                    std::uint16_t length = 0;
                    std::memcpy(&length, data, sizeof length);
                    const std::string_view bytes(data + 2, length);
                    result.appendCell(octets ? std::string(bytes) : windows1252ToUtf8(bytes));
                    break;
                }
                case SQL_TEXT: {
                    const std::string_view bytes(data, columns[index].length);
                    result.appendCell(octets ? std::string(bytes) : windows1252ToUtf8(rightTrimmed(bytes)));
                    break;
                }
                case SQL_BLOB: {
                    ISC_QUAD id;
                    std::memcpy(&id, data, sizeof id);
                    const std::string content = readBlob(client, database, transaction, id);
                    result.appendCell(columns[index].subType == 1 ? windows1252ToUtf8(content) : content);
                    break;
                }
                default:
                    result.appendCell(std::string_view(data, columns[index].length));
            }
        }
    };

    if (statement.type() == isc_info_sql_stmt_exec_procedure) {
        client.isc_dsql_execute2(status, transaction, statement.handle(), kDialect, nullptr,
                                 count > 0 ? described : nullptr);
        check();
        if (count > 0) {
            appendRow();
        }
    } else {
        client.isc_dsql_execute(status, transaction, statement.handle(), kDialect, nullptr);
        check();
        for (;;) {
            const ISC_STATUS fetched = client.isc_dsql_fetch(status, statement.handle(), SQLDA_VERSION1, described);
            if (fetched == kEndOfRows) {
                break;
            }
            check();
            appendRow();
            if (result.rowCount() >= rowsPerBatch) {
                onBatch(std::move(result));
                result = ResultSet(columns);
            }
        }
    }
    onBatch(std::move(result));
}

void Connection::execute(std::string_view sql) {
    ensureTransaction();
    const FirebirdClient& client = this->client();
    ISC_STATUS_ARRAY status{};
    const auto check = [&] { throwIfFailed(client, status); };
    {
        Statement statement(client, &handles_->database);
        const std::string textOfStatement = utf8ToWindows1252(sql);
        client.isc_dsql_prepare(status, &handles_->transaction, statement.handle(), 0, textOfStatement.c_str(),
                                kDialect, nullptr);
        check();
        client.isc_dsql_execute(status, &handles_->transaction, statement.handle(), kDialect, nullptr);
        check();
    }
    client.isc_commit_retaining(status, &handles_->transaction);
    check();
}

}  // namespace velmora
