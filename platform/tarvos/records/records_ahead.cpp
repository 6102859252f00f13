// SPDX-License-Identifier: Apache-2.0
#include "records_ahead.h"

#include <iterator>
#include <span>

#include "printable_bytes.h"

namespace tarvos {

RecordsAhead::RecordsAhead(naaccr::LineReader& input, std::size_t record_length, std::string_view end,
                           std::size_t block_size)
    : input_(input), record_length_(record_length), end_(end) {
    for (std::vector<char>& b : free_) b.resize(block_size);
    free_count_ = std::size(free_);
    thread_ = std::thread([this] { read_blocks(); });
}

RecordsAhead::~RecordsAhead() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

RecordsAhead::Filled RecordsAhead::next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !filled_.empty(); });
    Filled f = std::move(filled_.front());
    filled_.pop_front();
    lock.unlock();
    if (f.lines == 0) thread_.join();  // it read its last block
    return f;
}

void RecordsAhead::give_back(std::vector<char>&& bytes) {
    {
        std::lock_guard lock(mutex_);
        free_[free_count_++] = std::move(bytes);
    }
    changed_.notify_all();
}

void RecordsAhead::read_blocks() {
    const std::size_t line_size = record_length_ + end_.size();
    for (;;) {
        Filled f;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return closing_ || free_count_ > 0; });
            if (closing_) return;
            f.bytes = std::move(free_[--free_count_]);
        }
        f.lines = input_.read_lines(f.bytes, record_length_, end_);
        f.unclean.resize(f.lines);
        for (std::size_t i = 0; i < f.lines; ++i)
            f.unclean[i] = vexlin::count_unprintable(std::span<const char>(f.bytes.data() + i * line_size, record_length_));
        const bool last = f.lines == 0;
        {
            std::lock_guard lock(mutex_);
            filled_.push_back(std::move(f));
        }
        changed_.notify_all();
        if (last) return;
    }
}

}  // namespace tarvos
