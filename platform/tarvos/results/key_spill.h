// SPDX-License-Identifier: Apache-2.0
// The keys of message texts past what the counts hold in memory, written to
// a file without a name beside the results (gone with the run, whatever ends
// it), then read back a range of keys at a time: each range's texts fit in
// memory, so that a run of any number of texts is still counted exactly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tarvos {

class KeySpill {
public:
    // folder: where the file goes; it is created at the first key.
    explicit KeySpill(std::string folder) : folder_(std::move(folder)) {}
    ~KeySpill();
    KeySpill(const KeySpill&) = delete;
    KeySpill& operator=(const KeySpill&) = delete;

    // A row's key, counted once. False once the file cannot be created or
    // written.
    bool put(std::uint64_t key);
    // A key counted n times, after the last row's key.
    bool put_counted(std::uint64_t key, std::uint64_t n);
    bool empty() const { return keys_ == 0 && counted_ == 0; }
    std::uint64_t keys() const { return keys_; }

    // Gives take every key in [low, high] with its count, a row's as 1, in
    // the order written, until take returns false. False when the file could
    // not be written or read back.
    bool each_in(std::uint64_t low, std::uint64_t high, const std::function<bool(std::uint64_t, std::uint64_t)>& take);

private:
    bool write_out();

    std::string folder_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    std::vector<std::uint64_t> buffer_;  // words not yet written: 64 kB at most
    std::uint64_t keys_ = 0;              // rows' keys, first in the file
    std::uint64_t counted_ = 0;           // key and count pairs, after them
};

}  // namespace tarvos
