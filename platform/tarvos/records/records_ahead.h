// SPDX-License-Identifier: Apache-2.0
// Whole records of one shape read ahead on a thread of their own, straight
// into blocks that are then converted in place and written as they are: the
// bytes are copied once, from the file into the block, and the reading and
// the counting of each record's bytes to blank are done on the other core
// while this one converts. The line reader belongs to the thread until the
// records of this shape end or the reading is stopped.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "line_reader.h"

namespace tarvos {

class RecordsAhead {
public:
    struct Filled {
        std::vector<char> bytes;
        std::size_t lines = 0;               // whole records at the start of bytes; 0: no more
        std::vector<std::uint64_t> unclean;  // bytes to blank, by record
    };

    RecordsAhead(naaccr::LineReader& input, std::size_t record_length, std::string_view end, std::size_t block_size);
    ~RecordsAhead();
    RecordsAhead(const RecordsAhead&) = delete;
    RecordsAhead& operator=(const RecordsAhead&) = delete;

    // The next block read; lines is 0 once the records of this shape have
    // ended, and the line reader is the caller's again.
    Filled next();
    // A block to read into again.
    void give_back(std::vector<char>&& bytes);

private:
    void read_blocks();

    naaccr::LineReader& input_;
    const std::size_t record_length_;
    const std::string_view end_;
    // Blocks to read into: the first free_count_. Three, so that two can wait
    // read while one converts, when the reading is held up a moment.
    std::vector<char> free_[3];
    std::size_t free_count_ = 0;
    std::deque<Filled> filled_;
    bool closing_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

}  // namespace tarvos
