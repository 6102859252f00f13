// SPDX-License-Identifier: Apache-2.0
// The keys of message texts past what the counts hold in memory, written to
// a file without a name beside the results (gone with the run, whatever ends
// it), then read back a range of keys at a time: each range's texts fit in
// memory, so that a run of any number of texts is still counted exactly.
// The keys are sorted as they come into sixteen buckets by their first four
// bits, each written 4 kB at a time, so that a range reads only its buckets.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tarvos {

class KeySpill {
public:
    static constexpr std::size_t kBuckets = 16;

    // folder: where the file goes; it is created at the first block.
    explicit KeySpill(std::string folder) : folder_(std::move(folder)) {}
    ~KeySpill();
    KeySpill(const KeySpill&) = delete;
    KeySpill& operator=(const KeySpill&) = delete;

    // A row's key, counted once. False once the file cannot be created or
    // written, or has been read.
    bool put(std::uint64_t key);
    // A key counted n times, after the last row's key.
    bool put_counted(std::uint64_t key, std::uint64_t n);
    bool empty() const { return keys_ == 0 && counted_ == 0; }
    std::uint64_t keys() const { return keys_; }

    // The keys of a bucket lie in [first_of(b), last_of(b)].
    static std::uint64_t first_of(std::size_t bucket) { return std::uint64_t{bucket} << 60; }
    static std::uint64_t last_of(std::size_t bucket) { return first_of(bucket) | ((std::uint64_t{1} << 60) - 1); }

    // Gives take every key in [low, high] with its count, a row's as 1,
    // until take returns false. False when the file could not be written or
    // read back.
    bool each_in(std::uint64_t low, std::uint64_t high, const std::function<bool(std::uint64_t, std::uint64_t)>& take);

private:
    static constexpr std::size_t kBlockWords = 512;  // 4 kB
    // A bucket's blocks in the file, in the order written, and its block
    // being filled: a row's key a word, a counted key two.
    struct Bucket {
        std::vector<std::uint32_t> key_blocks, counted_blocks;
        std::vector<std::uint64_t> filling;
        std::size_t last_key_words = 0, last_counted_words = 0;  // in the last block of each, once written
    };
    bool put_words(std::uint64_t key, std::uint64_t count, bool counted);
    bool write_block(Bucket& b, bool counted);
    bool write_out_keys();
    bool read_blocks(const std::vector<std::uint32_t>& blocks, std::size_t last_words, bool counted,
                     std::uint64_t low, std::uint64_t high,
                     const std::function<bool(std::uint64_t, std::uint64_t)>& take, bool& stopped);

    std::string folder_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    bool reading_ = false;  // read back: nothing more is put
    std::array<Bucket, kBuckets> buckets_;
    std::uint32_t blocks_ = 0;  // blocks written
    std::uint64_t keys_ = 0;    // rows' keys
    std::uint64_t counted_ = 0; // counted keys, put after them
};

}  // namespace tarvos
