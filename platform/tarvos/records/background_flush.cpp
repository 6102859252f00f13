// SPDX-License-Identifier: Apache-2.0
#include "background_flush.h"

#include <cerrno>
#include <system_error>

#include "os_support.h"

namespace tarvos {

BackgroundFlush::BackgroundFlush(std::FILE* file) : file_(file) {
    try {
        thread_ = std::thread(&BackgroundFlush::run, this);
    } catch (const std::system_error&) {
        // No thread: the flush at the end does it all.
    }
}

void BackgroundFlush::write_back_too(std::vector<std::string> paths) {
    const std::lock_guard<std::mutex> lock(mutex_);
    beside_ = std::move(paths);
}

void BackgroundFlush::ask() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pending_ = true;
    }
    asked_.notify_one();
}

int BackgroundFlush::stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    asked_.notify_one();
    if (thread_.joinable()) thread_.join();
    return error_;
}

// One flush for however many asks came while the one before ran.
void BackgroundFlush::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        asked_.wait(lock, [this] { return pending_ || stopping_; });
        if (stopping_) return;
        pending_ = false;
        const std::vector<std::string> beside = beside_;
        lock.unlock();
        const bool flushed = flush_written_data(file_);
        const int error = errno ? errno : EIO;
        for (const std::string& path : beside) start_writeback(path);
        lock.lock();
        if (!flushed && error_ == 0) error_ = error;
    }
}

}  // namespace tarvos
