// SPDX-License-Identifier: Apache-2.0
#include "key_spill.h"

#include "os_support.h"

namespace tarvos {

namespace {

constexpr std::size_t kBlockBytes = 4096;

bool seek_to(std::FILE* file, std::uint64_t offset) {
#if defined(_WIN32)
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

KeySpill::~KeySpill() {
    if (file_) std::fclose(file_);
}

// The bucket's block being filled goes to the end of the file, padded to a
// whole block so that every block starts at a multiple of 4 kB.
bool KeySpill::write_block(Bucket& b, bool counted) {
    if (failed_) return false;
    if (!file_) {
        file_ = create_scratch_file(folder_);
        // Whole blocks only, written and read straight from the file.
        if (!file_ || std::setvbuf(file_, nullptr, _IONBF, 0) != 0) return !(failed_ = true);
    }
    const std::size_t words = b.filling.size();
    b.filling.resize(kBlockWords);
    if (std::fwrite(b.filling.data(), sizeof(std::uint64_t), kBlockWords, file_) != kBlockWords)
        return !(failed_ = true);
    (counted ? b.counted_blocks : b.key_blocks).push_back(blocks_++);
    (counted ? b.last_counted_words : b.last_key_words) = words;
    b.filling.clear();
    return true;
}

bool KeySpill::put_words(std::uint64_t key, std::uint64_t count, bool counted) {
    Bucket& b = buckets_[key >> 60];
    if (b.filling.capacity() < kBlockWords) b.filling.reserve(kBlockWords);
    b.filling.push_back(key);
    if (counted) b.filling.push_back(count);
    return b.filling.size() + (counted ? 2 : 1) <= kBlockWords || write_block(b, counted);
}

bool KeySpill::put(std::uint64_t key) {
    if (failed_ || reading_ || counted_ > 0) return false;  // rows' keys all come first
    ++keys_;
    return put_words(key, 1, false);
}

// The rows' keys still being filled are written before the first counted
// key, so that each block holds one kind.
bool KeySpill::write_out_keys() {
    for (Bucket& b : buckets_)
        if (!b.filling.empty() && !write_block(b, false)) return false;
    return true;
}

bool KeySpill::put_counted(std::uint64_t key, std::uint64_t n) {
    if (failed_ || reading_) return false;
    if (counted_++ == 0 && !write_out_keys()) return false;
    return put_words(key, n, true);
}

bool KeySpill::read_blocks(const std::vector<std::uint32_t>& blocks, std::size_t last_words, bool counted,
                           std::uint64_t low, std::uint64_t high,
                           const std::function<bool(std::uint64_t, std::uint64_t)>& take, bool& stopped) {
    std::vector<std::uint64_t> words(kBlockWords);
    for (std::size_t i = 0; i < blocks.size() && !stopped; ++i) {
        if (!seek_to(file_, std::uint64_t{blocks[i]} * kBlockBytes) ||
            std::fread(words.data(), sizeof(std::uint64_t), kBlockWords, file_) != kBlockWords)
            return !(failed_ = true);
        const std::size_t used = i + 1 == blocks.size() ? last_words : kBlockWords;
        for (std::size_t w = 0; w < used; w += counted ? 2 : 1) {
            const std::uint64_t key = words[w];
            if (key >= low && key <= high && !take(key, counted ? words[w + 1] : 1)) {
                stopped = true;
                break;
            }
        }
    }
    return true;
}

bool KeySpill::each_in(std::uint64_t low, std::uint64_t high,
                       const std::function<bool(std::uint64_t, std::uint64_t)>& take) {
    if (empty()) return true;
    // What is still being filled goes out first: nothing is put after.
    reading_ = true;
    for (Bucket& b : buckets_)
        if (!b.filling.empty() && !write_block(b, counted_ > 0)) return false;
    if (failed_) return false;
    bool stopped = false;
    for (std::size_t bucket = low >> 60; bucket <= (high >> 60) && !stopped; ++bucket) {
        const Bucket& b = buckets_[bucket];
        if (!read_blocks(b.key_blocks, b.last_key_words, false, low, high, take, stopped) ||
            !read_blocks(b.counted_blocks, b.last_counted_words, true, low, high, take, stopped))
            return false;
    }
    return true;
}

}  // namespace tarvos
