// SPDX-License-Identifier: Apache-2.0
// The output's blocks: one is filled while the one before is written on a
// thread of its own, so that converting and writing overlap.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

namespace tarvos {

// Writes one block; false on a write error (errno tells why).
using ByteSink = std::function<bool(std::string_view block)>;

// Fills one block while the sink writes the ones before on a thread of its
// own, so that converting and writing overlap: up to kBlocksQueued blocks
// wait for the sink, so that a moment when the writing is held up (the other
// core busy) does not hold up the converting. The sink is called for one
// block at a time, in order; a write error shows in failed() once that
// write has ended, and in flush().
class BlockWriter {
public:
    explicit BlockWriter(ByteSink sink, std::size_t block_size = std::size_t{1} << 18);
    ~BlockWriter();
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Room for n bytes at the end of the block, handed to the sink first when full.
    char* reserve(std::size_t n);
    // All the room left in the block, handed to the sink first when less than
    // at_least bytes are left.
    std::span<char> room(std::size_t at_least);
    void commit(std::size_t n) { used_ += n; }
    // Hands a block filled elsewhere to the sink as it is, after what this
    // writer holds: its first used bytes, without a copy. Gives back a block
    // of this writer's, no longer in use, for the caller to fill again.
    std::vector<char> adopt(std::vector<char>&& block, std::size_t used);
    std::size_t block_size() const { return block_size_; }
    // Writes what is in the block and waits until every write has ended.
    bool flush();
    // Waits until every write handed over has ended; the block is kept.
    void wait();
    bool failed() const { return failed_.load(); }

    static constexpr std::size_t kBlocksQueued = 3;

private:
    void hand_over();
    void write_blocks();

    ByteSink sink_;
    std::size_t block_size_;
    // A ring: the kBlocksQueued at most from first_ wait for the sink, in
    // order; the one after them is filled. 256 kB each: eleven records of
    // 22,824 bytes.
    std::vector<char> blocks_[kBlocksQueued + 1];
    std::size_t sizes_[kBlocksQueued + 1] = {};  // the bytes of each block queued
    std::size_t current_ = 0;
    std::size_t used_ = 0;
    std::atomic<bool> failed_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t first_ = 0;   // the first block queued
    std::size_t queued_ = 0;  // handed over, not yet written
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace tarvos
