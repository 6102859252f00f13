// SPDX-License-Identifier: Apache-2.0
#include "read_ahead.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace naaccr {

ReadAhead::ReadAhead(ByteSource source, std::size_t block_size) : source_(std::move(source)) {
    for (Block& b : blocks_) b.bytes.resize(std::max<std::size_t>(block_size, 1));
    thread_ = std::thread([this] { fill_blocks(); });
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ReadAhead::fill_blocks() {
    for (int filling = 0;; filling = 1 - filling) {
        Block& block = blocks_[filling];
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return closing_ || !block.full; });
            if (closing_) return;
        }
        // The block is this thread's until it is marked full.
        block.size = 0;
        while (block.size < block.bytes.size() && !block.last) {
            const std::ptrdiff_t n = source_(std::span<char>(block.bytes).subspan(block.size));
            if (n <= 0) {
                block.last = true;
                block.failed = n < 0;
            } else {
                block.size += static_cast<std::size_t>(n);
            }
        }
        const bool last = block.last;
        {
            std::lock_guard lock(mutex_);
            block.full = true;
        }
        changed_.notify_all();
        if (last) return;
    }
}

std::ptrdiff_t ReadAhead::read(std::span<char> buffer) {
    for (;;) {
        Block& block = blocks_[reading_];
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return block.full; });
        }
        if (taken_ < block.size) {
            const std::size_t n = std::min(buffer.size(), block.size - taken_);
            std::memcpy(buffer.data(), block.bytes.data() + taken_, n);
            taken_ += n;
            return static_cast<std::ptrdiff_t>(n);
        }
        if (block.last) return block.failed ? -1 : 0;
        // Read whole: handed back to be filled again.
        {
            std::lock_guard lock(mutex_);
            block.full = false;
        }
        changed_.notify_all();
        reading_ = 1 - reading_;
        taken_ = 0;
    }
}

}  // namespace naaccr
