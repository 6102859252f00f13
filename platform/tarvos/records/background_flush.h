// SPDX-License-Identifier: Apache-2.0
// An output sent to the disk as it grows, on a thread of its own: a disk
// empties its own cache in about the time the data it holds takes, however
// slowly that data came, so a flush every few tens of megabytes while the
// records convert leaves the flush at the end little to wait for.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>
#include <thread>

namespace tarvos {

class BackgroundFlush {
public:
    // Flushes file when asked until stopped; none at all when no thread can start.
    explicit BackgroundFlush(std::FILE* file);
    ~BackgroundFlush() { stop(); }
    BackgroundFlush(const BackgroundFlush&) = delete;
    BackgroundFlush& operator=(const BackgroundFlush&) = delete;

    // Files written beside the output by others, whose writing to the disk
    // each flush starts too, without waiting for it or seeing its errors:
    // their own flush at the end waits for what is left, and sees them.
    void write_back_too(std::vector<std::string> paths);
    // Asks for what was written so far to reach the disk, without waiting.
    void ask();
    // Waits for the flush in progress, then stops. The first failure of a
    // flush (an errno value), or 0: a failure one flush has seen is not
    // seen again by the next, so it must be told.
    int stop();

private:
    void run();

    std::FILE* file_;
    std::vector<std::string> beside_;
    std::mutex mutex_;
    std::condition_variable asked_;
    bool pending_ = false, stopping_ = false;
    int error_ = 0;
    std::thread thread_;
};

}  // namespace tarvos
