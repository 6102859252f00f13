// SPDX-License-Identifier: Apache-2.0
// The bytes of an input file as the NAACCR readers take them: as they are,
// or, when the file starts with gzip's magic bytes (whatever its name),
// unpacked by zlib as they are read, on a thread of their own so that
// unpacking overlaps with the reading. Nothing is unpacked to disk.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "line_reader.h"

namespace naaccr {

class GzipReader;
class ReadAhead;

// Whether bytes start as a gzip stream does (0x1F 0x8B).
bool starts_as_gzip(std::span<const char> first_bytes);

class InputBytes {
public:
    InputBytes();
    ~InputBytes();
    InputBytes(const InputBytes&) = delete;
    InputBytes& operator=(const InputBytes&) = delete;

    // Opens the file (named in UTF-8) for reading once, in order; false when
    // it cannot be opened (errno says why).
    bool open(const std::string& path);
    bool compressed() const { return gzip_ != nullptr; }
    // The bytes of the file read so far (of the compressed file, for gzip).
    std::uint64_t file_bytes_read() const { return file_bytes_read_.load(std::memory_order_relaxed); }

    // Reads up to buffer.size() bytes of the content: the count, 0 at the
    // end, or -1 on failure (error() says why).
    std::ptrdiff_t read(std::span<char> buffer);
    // Reads until buffer is full or the content ends: the count, or -1.
    std::ptrdiff_t read_full(std::span<char> buffer);
    // Why reading failed: the system's reason, or where the gzip-compressed
    // data broke.
    std::string error() const;

    // A source for a LineReader that reads this file.
    ByteSource source() {
        return [this](std::span<char> buffer) { return read(buffer); };
    }

private:
    std::ptrdiff_t read_file(std::span<char> buffer);

    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    char head_[2] = {};  // the first bytes, read to tell gzip from text
    std::size_t head_size_ = 0, head_taken_ = 0;
    int read_errno_ = 0;
    std::atomic<std::uint64_t> file_bytes_read_{0};
    // A file larger than a share of memory is given back to the system as
    // it is read, a stretch at a time, from released_ on.
    bool gentle_ = false;
    std::uint64_t released_ = 0;
    // Declared after the file: destroyed first, the thread stopped first.
    std::unique_ptr<GzipReader> gzip_;
    std::unique_ptr<ReadAhead> ahead_;
};

}  // namespace naaccr
