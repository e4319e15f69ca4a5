#include "reports/background_fetch.h"

#include <utility>

#include "common/connection.h"

namespace velmora {

namespace {

// Ends the fetch when nobody waits for its rows any more.
struct FetchAbandoned {};

}  // namespace

BackgroundFetch::BackgroundFetch(Connection& connection, std::string statement, std::size_t rowsPerBatch)
    : thread_([this, &connection, statement = std::move(statement), rowsPerBatch] {
          run(connection, statement, rowsPerBatch);
      }) {}

BackgroundFetch::~BackgroundFetch() {
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundFetch::run(Connection& connection, const std::string& statement, std::size_t rowsPerBatch) {
    std::exception_ptr failure;
    try {
        connection.queryInBatches(statement, rowsPerBatch, [this](ResultSet&& batch) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return abandoned_ || batches_.size() < kWaitingBatches; });
            if (abandoned_) {
                throw FetchAbandoned{};
            }
            batches_.push_back(std::move(batch));
            lock.unlock();
            changed_.notify_all();
        });
    } catch (const FetchAbandoned&) {
    } catch (...) {
        failure = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        finished_ = true;
        failure_ = failure;
    }
    changed_.notify_all();
}

std::optional<ResultSet> BackgroundFetch::next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !batches_.empty() || finished_; });
    if (!batches_.empty()) {
        ResultSet batch = std::move(batches_.front());
        batches_.pop_front();
        lock.unlock();
        changed_.notify_all();
        return batch;
    }
    if (failure_) {
        std::rethrow_exception(failure_);
    }
    return std::nullopt;
}

}  // namespace velmora
