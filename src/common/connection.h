#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/result_set.h"

namespace velmora {

struct FirebirdClient;

struct ConnectionSettings {
    std::string database;  // "host:path" for a server, a plain path for the embedded engine
    std::string userName;
    std::string password;
    const FirebirdClient* client = nullptr;  // the program's own (firebirdClient()) when not given
};

// The Firebird client the connections go through, for the journal: "<file> (<version>)". Loads it on first use;
// throws FirebirdClientMissing (firebird_loader.h) when none serves.
std::string databaseClientDescription();

// The program's one database connection with its default transaction (read committed, record version,
// no wait). A closed connection attaches again on the next statement; the transaction starts with the first
// statement and stays open, every update being committed with commit retaining.
class Connection {
public:
    explicit Connection(ConnectionSettings settings);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& databaseName() const { return settings_.database; }

    void open();
    // Commits what the transaction still holds and detaches; a connection already lost is just let go.
    void close();
    bool isOpen() const;

    // Runs a select (or a procedure that returns values) and fetches every row.
    ResultSet query(std::string_view sql);
    // The same, handing the rows over in batches of up to `rowsPerBatch` as they are fetched, so that a large result
    // never has to be held at once. The last batch may be smaller, and is handed over also when empty (a result
    // without rows still has its columns). An exception thrown by `onBatch` ends the fetch and reaches the caller.
    void queryInBatches(std::string_view sql, std::size_t rowsPerBatch, const std::function<void(ResultSet&&)>& onBatch);
    // Runs any other statement, then commits retaining.
    void execute(std::string_view sql);

private:
    struct Handles;
    void ensureTransaction();
    const FirebirdClient& client() const;

    ConnectionSettings settings_;
    std::unique_ptr<Handles> handles_;
};

}  // namespace velmora
