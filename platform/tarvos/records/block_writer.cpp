// SPDX-License-Identifier: Apache-2.0
#include "block_writer.h"

#include <utility>

namespace tarvos {

namespace {
constexpr std::size_t kRing = BlockWriter::kBlocksQueued + 1;
}  // namespace

BlockWriter::BlockWriter(ByteSink sink, std::size_t block_size) : sink_(std::move(sink)), block_size_(block_size) {
    for (std::vector<char>& block : blocks_) block.resize(block_size);
    thread_ = std::thread([this] { write_blocks(); });
}

BlockWriter::~BlockWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BlockWriter::write_blocks() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || queued_ > 0; });
        if (queued_ == 0) return;
        const std::string_view block(blocks_[first_].data(), sizes_[first_]);
        lock.unlock();
        const bool written = failed_.load() || sink_(block);
        lock.lock();
        if (!written) failed_ = true;
        first_ = (first_ + 1) % kRing;
        --queued_;
        changed_.notify_all();
    }
}

void BlockWriter::wait() {
    changed_.notify_all();  // a block waiting alone is written now
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queued_ == 0; });
}

// The block filled joins the queue, once the queue has room for it and the
// next block to fill is not waiting to be written. The writing thread is
// woken for two blocks at a time: a wake costs the converting thread about
// as much as converting a record.
void BlockWriter::hand_over() {
    if (used_ == 0 || failed_) {
        used_ = 0;
        return;
    }
    bool wake = false;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queued_ < kBlocksQueued; });
        sizes_[current_] = used_;
        wake = ++queued_ >= 2;
    }
    if (wake) changed_.notify_all();
    current_ = (current_ + 1) % kRing;
    used_ = 0;
}

char* BlockWriter::reserve(std::size_t n) {
    std::vector<char>& block = blocks_[current_];
    if (used_ + n > block.size()) {
        hand_over();
        if (n > blocks_[current_].size()) blocks_[current_].resize(n);
    }
    return blocks_[current_].data() + used_;
}

std::span<char> BlockWriter::room(std::size_t at_least) {
    reserve(at_least);
    return std::span<char>(blocks_[current_]).subspan(used_);
}

std::vector<char> BlockWriter::adopt(std::vector<char>&& block, std::size_t used) {
    hand_over();
    // The current block is free: it is not in the queue.
    std::swap(blocks_[current_], block);
    used_ = used;
    hand_over();
    return std::move(block);
}

bool BlockWriter::flush() {
    hand_over();
    wait();
    return !failed_;
}

}  // namespace tarvos
