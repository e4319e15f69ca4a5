#include "common/connection.h"

#include <array>
#include <cstring>
#include <limits>

#include "common/firebird_client.h"
#include "common/text_encoding.h"

namespace velmora {

using namespace Firebird;
using firebird::Ref;
using firebird::Status;

namespace {

constexpr unsigned kDialect = 3;
constexpr int kConnectTimeoutSeconds = 20;
constexpr unsigned kCharsetOctets = 1;

template <class T>
T readAt(const unsigned char* buffer, unsigned offset) {
    T value;
    std::memcpy(&value, buffer + offset, sizeof value);
    return value;
}

std::string_view rightTrimmed(std::string_view text) {
    const auto end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

struct OutputColumn {
    unsigned type;
    int subType;
    unsigned charset;
    unsigned offset;
    unsigned nullOffset;
    unsigned length;
};

}  // namespace

struct Connection::Handles {
    Ref<IAttachment> attachment;
    Ref<ITransaction> transaction;
};

Connection::Connection(ConnectionSettings settings)
    : settings_(std::move(settings)), handles_(std::make_unique<Handles>()) {}

Connection::~Connection() { close(); }

bool Connection::isOpen() const { return handles_->attachment != nullptr; }

void Connection::open() {
    if (isOpen()) {
        return;
    }
    Status status;
    try {
        firebird::Owned<IXpbBuilder> dpb(firebird::util()->getXpbBuilder(status.get(), IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(status.get(), isc_dpb_user_name, settings_.userName.c_str());
        dpb->insertString(status.get(), isc_dpb_password, settings_.password.c_str());
        dpb->insertString(status.get(), isc_dpb_lc_ctype, "WIN1252");
        dpb->insertInt(status.get(), isc_dpb_sql_dialect, static_cast<int>(kDialect));
        // A server machine that is switched off would hold the window for the client's default three minutes.
        dpb->insertInt(status.get(), isc_dpb_connect_timeout, kConnectTimeoutSeconds);
        // The path reaches the engine as the file system names it, accents included; converted to the ANSI
        // code page it would name another file, and an installation under "Gestão" could not start.
        dpb->insertTag(status.get(), isc_dpb_utf8_filename);
        const std::string& name = settings_.database;
        IProvider* provider = firebird::master()->getDispatcher();
        Ref<IProvider> providerRef(provider);
        handles_->attachment.reset(provider->attachDatabase(status.get(), name.c_str(), dpb->getBufferLength(status.get()),
                                                            dpb->getBuffer(status.get())));
    } catch (const FbException& error) {
        throw firebird::toDatabaseError(error);
    }
}

void Connection::close() {
    Status status;
    if (handles_->transaction) {
        try {
            handles_->transaction->commit(status.get());
            handles_->transaction.release();  // commit releases the interface on success
        } catch (const FbException&) {
            handles_->transaction.reset();
        }
    }
    if (handles_->attachment) {
        try {
            handles_->attachment->detach(status.get());
            handles_->attachment.release();  // detach releases the interface on success
        } catch (const FbException&) {
            handles_->attachment.reset();  // the link is gone already; just let go of it
        }
    }
}

void Connection::ensureTransaction() {
    open();
    if (handles_->transaction) {
        return;
    }
    Status status;
    try {
        firebird::Owned<IXpbBuilder> tpb(firebird::util()->getXpbBuilder(status.get(), IXpbBuilder::TPB, nullptr, 0));
        tpb->insertTag(status.get(), isc_tpb_read_committed);
        tpb->insertTag(status.get(), isc_tpb_rec_version);
        tpb->insertTag(status.get(), isc_tpb_nowait);
        handles_->transaction.reset(handles_->attachment->startTransaction(
            status.get(), tpb->getBufferLength(status.get()), tpb->getBuffer(status.get())));
    } catch (const FbException& error) {
        throw firebird::toDatabaseError(error);
    }
}

namespace {

std::string readBlob(IAttachment* attachment, ITransaction* transaction, ISC_QUAD id) {
    Status status;
    Ref<IBlob> blob(attachment->openBlob(status.get(), transaction, &id, 0, nullptr));
    std::string data;
    std::array<char, 32768> chunk{};
    for (;;) {
        unsigned got = 0;
        const int result = blob->getSegment(status.get(), static_cast<unsigned>(chunk.size()), chunk.data(), &got);
        if (result != IStatus::RESULT_OK && result != IStatus::RESULT_SEGMENT) {
            break;
        }
        data.append(chunk.data(), got);
    }
    blob->close(status.get());
    blob.release();  // close releases the interface on success
    return data;
}

}  // namespace

ResultSet Connection::query(std::string_view sql) {
    ResultSet all;
    queryInBatches(sql, std::numeric_limits<std::size_t>::max(), [&all](ResultSet&& rows) { all = std::move(rows); });
    return all;
}

void Connection::queryInBatches(std::string_view sql, std::size_t rowsPerBatch,
                                const std::function<void(ResultSet&&)>& onBatch) {
    ensureTransaction();
    IAttachment* attachment = handles_->attachment.get();
    ITransaction* transaction = handles_->transaction.get();
    Status status;
    try {
        const std::string text = utf8ToWindows1252(sql);
        Ref<IStatement> statement(attachment->prepare(status.get(), transaction, 0, text.c_str(), kDialect,
                                                      IStatement::PREPARE_PREFETCH_METADATA));
        Ref<IMessageMetadata> metadata(statement->getOutputMetadata(status.get()));
        const unsigned count = metadata->getCount(status.get());

        std::vector<ColumnInfo> columns;
        std::vector<OutputColumn> layout;
        for (unsigned i = 0; i < count; ++i) {
            ColumnInfo info;
            info.name = windows1252ToUtf8(metadata->getAlias(status.get(), i));
            info.field = windows1252ToUtf8(metadata->getField(status.get(), i));
            info.relation = windows1252ToUtf8(metadata->getRelation(status.get(), i));
            info.sqlType = metadata->getType(status.get(), i) & ~1u;
            info.subType = metadata->getSubType(status.get(), i);
            info.scale = metadata->getScale(status.get(), i);
            info.length = metadata->getLength(status.get(), i);
            layout.push_back(OutputColumn{info.sqlType, info.subType, metadata->getCharSet(status.get(), i),
                                          metadata->getOffset(status.get(), i),
                                          metadata->getNullOffset(status.get(), i), info.length});
            columns.push_back(std::move(info));
        }
        ResultSet result(columns);
        std::vector<unsigned char> buffer(metadata->getMessageLength(status.get()));
        const auto handOverFullBatch = [&] {
            if (result.rowCount() >= rowsPerBatch) {
                onBatch(std::move(result));
                result = ResultSet(columns);
            }
        };

        auto appendRow = [&] {
            for (const OutputColumn& column : layout) {
                if (readAt<short>(buffer.data(), column.nullOffset) != 0) {
                    result.appendNull();
                    continue;
                }
                const auto* data = buffer.data() + column.offset;
                switch (column.type) {
                    case SQL_VARYING: {
                        const auto length = readAt<std::uint16_t>(data, 0);
                        const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, length);
                        result.appendCell(column.charset == kCharsetOctets ? std::string(bytes) : windows1252ToUtf8(bytes));
                        break;
                    }
                    case SQL_TEXT: {
                        const std::string_view bytes(reinterpret_cast<const char*>(data), column.length);
                        result.appendCell(column.charset == kCharsetOctets ? std::string(bytes)
                                                                           : windows1252ToUtf8(rightTrimmed(bytes)));
                        break;
                    }
                    case SQL_BLOB: {
                        const std::string content = readBlob(attachment, transaction, readAt<ISC_QUAD>(data, 0));
                        result.appendCell(column.subType == 1 ? windows1252ToUtf8(content) : content);
                        break;
                    }
                    default:
                        result.appendCell(std::string_view(reinterpret_cast<const char*>(data), column.length));
                }
            }
        };

        if (statement->getType(status.get()) == isc_info_sql_stmt_exec_procedure) {
            statement->execute(status.get(), transaction, nullptr, nullptr, metadata.get(), buffer.data());
            if (count > 0) {
                appendRow();
            }
        } else {
            Ref<IResultSet> cursor(statement->openCursor(status.get(), transaction, nullptr, nullptr, metadata.get(), 0));
            while (cursor->fetchNext(status.get(), buffer.data()) == IStatus::RESULT_OK) {
                appendRow();
                handOverFullBatch();
            }
            cursor->close(status.get());
            cursor.release();  // close releases the interface on success
        }
        onBatch(std::move(result));
    } catch (const FbException& error) {
        throw firebird::toDatabaseError(error);
    }
}

void Connection::execute(std::string_view sql) {
    ensureTransaction();
    Status status;
    try {
        const std::string text = utf8ToWindows1252(sql);
        handles_->attachment->execute(status.get(), handles_->transaction.get(), 0, text.c_str(), kDialect, nullptr,
                                      nullptr, nullptr, nullptr);
        handles_->transaction->commitRetaining(status.get());
    } catch (const FbException& error) {
        throw firebird::toDatabaseError(error);
    }
}

}  // namespace velmora
