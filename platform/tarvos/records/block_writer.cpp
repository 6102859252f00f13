// SPDX-License-Identifier: Apache-2.0
#include "block_writer.h"

#include <utility>

namespace tarvos {

BlockWriter::BlockWriter(ByteSink sink, std::size_t block_size)
    : sink_(std::move(sink)),
      block_size_(block_size),
      blocks_{std::vector<char>(block_size), std::vector<char>(block_size)} {
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
        changed_.wait(lock, [this] { return closing_ || !pending_.empty(); });
        if (pending_.empty()) return;
        const std::string_view block = pending_;
        lock.unlock();
        const bool written = failed_.load() || sink_(block);
        lock.lock();
        if (!written) failed_ = true;
        pending_ = {};
        busy_ = false;
        changed_.notify_all();
    }
}

void BlockWriter::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
}

void BlockWriter::hand_over() {
    wait();
    if (used_ == 0 || failed_) {
        used_ = 0;
        return;
    }
    {
        std::lock_guard lock(mutex_);
        pending_ = std::string_view(blocks_[current_].data(), used_);
        busy_ = true;
    }
    changed_.notify_all();
    current_ = 1 - current_;
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
    // The current block is free: the write of the other one ended before it
    // was handed over.
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
