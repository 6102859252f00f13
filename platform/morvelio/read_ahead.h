// SPDX-License-Identifier: Apache-2.0
// Reads a byte source ahead on a thread of its own, a block at a time, so
// that what the source costs (unpacking a compressed file) overlaps with what
// the reader does with the bytes it already has.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "line_reader.h"

namespace naaccr {

class ReadAhead {
public:
    static constexpr std::size_t kDefaultBlock = std::size_t{1} << 20;

    // The source is called on the read-ahead thread only, from the start.
    explicit ReadAhead(ByteSource source, std::size_t block_size = kDefaultBlock);
    // Stops the thread, also when the reader stopped before the end.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The source's bytes in order: the count, 0 at the end, -1 once the
    // source failed (after every byte it gave before).
    std::ptrdiff_t read(std::span<char> buffer);

private:
    struct Block {
        std::vector<char> bytes;
        std::size_t size = 0;
        bool last = false;    // the source ended or failed after these bytes
        bool failed = false;  // ... and it failed
        bool full = false;    // filled, waiting to be read
    };
    void fill_blocks();

    ByteSource source_;
    Block blocks_[2];
    int reading_ = 0;       // the block the reader takes from
    std::size_t taken_ = 0;  // bytes of it already read

    std::mutex mutex_;
    std::condition_variable changed_;
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace naaccr
