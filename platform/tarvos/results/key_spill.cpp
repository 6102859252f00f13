// SPDX-License-Identifier: Apache-2.0
#include "key_spill.h"

#include <algorithm>

#include "os_support.h"

namespace tarvos {

namespace {
constexpr std::size_t kWords = std::size_t{1} << 13;  // 64 kB
}  // namespace

KeySpill::~KeySpill() {
    if (file_) std::fclose(file_);
}

bool KeySpill::write_out() {
    if (failed_) return false;
    if (!file_) {
        file_ = create_scratch_file(folder_);
        if (!file_) return !(failed_ = true);
    }
    // Written at the end, whatever was read back meanwhile.
    if (std::fseek(file_, 0, SEEK_END) != 0) return !(failed_ = true);
    if (std::fwrite(buffer_.data(), sizeof(std::uint64_t), buffer_.size(), file_) != buffer_.size())
        return !(failed_ = true);
    buffer_.clear();
    return true;
}

bool KeySpill::put(std::uint64_t key) {
    if (failed_ || counted_ > 0) return false;  // rows' keys all come first
    if (buffer_.capacity() < kWords) buffer_.reserve(kWords);
    buffer_.push_back(key);
    ++keys_;
    return buffer_.size() < kWords || write_out();
}

bool KeySpill::put_counted(std::uint64_t key, std::uint64_t n) {
    if (failed_) return false;
    if (buffer_.capacity() < kWords) buffer_.reserve(kWords);
    buffer_.push_back(key);
    buffer_.push_back(n);
    ++counted_;
    return buffer_.size() + 2 <= kWords || write_out();
}

bool KeySpill::each_in(std::uint64_t low, std::uint64_t high,
                       const std::function<bool(std::uint64_t, std::uint64_t)>& take) {
    if (empty()) return true;
    if (!buffer_.empty() && !write_out()) return false;
    if (std::fflush(file_) != 0) return !(failed_ = true);
    std::rewind(file_);
    std::vector<std::uint64_t> words(kWords);
    const std::uint64_t total = keys_ + 2 * counted_;
    std::uint64_t at = 0;         // the words read so far
    std::uint64_t pair_key = 0;   // a pair's key, while its count is in the next word
    bool in_pair = false;
    while (at < total) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kWords, total - at));
        if (std::fread(words.data(), sizeof(std::uint64_t), want, file_) != want) return !(failed_ = true);
        for (std::size_t i = 0; i < want; ++i, ++at) {
            const std::uint64_t word = words[i];
            if (at < keys_) {
                if (word >= low && word <= high && !take(word, 1)) return true;
            } else if (!in_pair) {
                pair_key = word;
                in_pair = true;
            } else {
                in_pair = false;
                if (pair_key >= low && pair_key <= high && !take(pair_key, word)) return true;
            }
        }
    }
    return true;
}

}  // namespace tarvos
