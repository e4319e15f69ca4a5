#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/result_set.h"

namespace velmora {

class Connection;

// Fetches a statement's rows on a thread of its own and hands them over in batches, so that the caller writes one
// batch while the next is fetched. At most a few batches wait, so memory does not grow with the rows. The
// connection belongs to the fetch until the object goes: the caller must not use it meanwhile. Going early (the
// writer failed) stops the fetch; the thread is always joined.
class BackgroundFetch {
public:
    BackgroundFetch(Connection& connection, std::string statement, std::size_t rowsPerBatch);
    ~BackgroundFetch();
    BackgroundFetch(const BackgroundFetch&) = delete;
    BackgroundFetch& operator=(const BackgroundFetch&) = delete;

    // The next batch in order; none once every row was handed over. The fetch's error (a database error after
    // some rows) comes out of here as it was thrown.
    std::optional<ResultSet> next();

private:
    void run(Connection& connection, const std::string& statement, std::size_t rowsPerBatch);

    static constexpr std::size_t kWaitingBatches = 3;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<ResultSet> batches_;
    bool finished_ = false;
    bool abandoned_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last: it starts once everything above exists
};

}  // namespace velmora
