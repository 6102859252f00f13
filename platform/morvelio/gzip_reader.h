// SPDX-License-Identifier: Apache-2.0
// Unpacks gzip-compressed bytes as a stream, with zlib: one member after
// another, as gzip itself reads a file of several members, each member's
// check sum and length checked at its end. A stream that is damaged, cut
// short or followed by bytes that are no member fails, and the failure names
// the byte of the compressed file where it broke.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "line_reader.h"

namespace naaccr {

class GzipReader {
public:
    static constexpr std::size_t kDefaultChunk = std::size_t{256} << 10;

    // compressed gives the compressed bytes from the file's first byte on,
    // read chunk bytes at a time.
    explicit GzipReader(ByteSource compressed, std::size_t chunk = kDefaultChunk);
    ~GzipReader();
    GzipReader(const GzipReader&) = delete;
    GzipReader& operator=(const GzipReader&) = delete;

    // Unpacks up to buffer.size() bytes; returns the count, 0 at the end of
    // the last member, or -1 when the stream fails (error() says why, and
    // is empty when the compressed source itself failed).
    std::ptrdiff_t read(std::span<char> buffer);
    const std::string& error() const { return error_; }

private:
    std::ptrdiff_t fail(std::string why);
    bool fill();
    std::uint64_t offset() const;  // of the next compressed byte zlib would take

    struct Stream;
    std::unique_ptr<Stream> z_;
    ByteSource compressed_;
    std::vector<char> chunk_;
    std::uint64_t taken_ = 0;  // compressed bytes read from the source
    bool source_ended_ = false;
    bool member_ended_ = false;
    bool failed_ = false;
    std::string error_;
};

}  // namespace naaccr
