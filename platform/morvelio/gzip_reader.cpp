// SPDX-License-Identifier: Apache-2.0
#include "gzip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <utility>

namespace naaccr {

struct GzipReader::Stream {
    z_stream z{};
    bool ready = false;
};

namespace {
// 15 bits of window, plus 16: a gzip wrapper only (no zlib or raw stream).
constexpr int kGzipWindowBits = 15 + 16;
}  // namespace

GzipReader::GzipReader(ByteSource compressed, std::size_t chunk)
    : z_(std::make_unique<Stream>()), compressed_(std::move(compressed)), chunk_(std::max<std::size_t>(chunk, 1)) {
    z_->ready = inflateInit2(&z_->z, kGzipWindowBits) == Z_OK;
    if (!z_->ready) fail("zlib cannot start unpacking (out of memory)");
}

GzipReader::~GzipReader() {
    if (z_->ready) inflateEnd(&z_->z);
}

std::ptrdiff_t GzipReader::fail(std::string why) {
    failed_ = true;
    if (error_.empty()) error_ = std::move(why);
    return -1;
}

std::uint64_t GzipReader::offset() const { return taken_ - z_->z.avail_in; }

bool GzipReader::fill() {
    const std::ptrdiff_t n = compressed_(std::span<char>(chunk_));
    if (n < 0) return false;
    if (n == 0) source_ended_ = true;
    taken_ += static_cast<std::uint64_t>(n);
    z_->z.next_in = reinterpret_cast<Bytef*>(chunk_.data());
    z_->z.avail_in = static_cast<uInt>(n);
    return true;
}

std::ptrdiff_t GzipReader::read(std::span<char> buffer) {
    if (failed_) return -1;
    z_stream& z = z_->z;
    const uInt wanted = static_cast<uInt>(std::min<std::size_t>(buffer.size(), UINT_MAX));
    z.next_out = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_out = wanted;
    while (z.avail_out > 0) {
        if (z.avail_in == 0 && !source_ended_ && !fill()) return fail({});
        if (member_ended_) {
            if (z.avail_in == 0 && source_ended_) break;  // the end of the last member
            // Another member follows: gzip files may be joined end to end.
            inflateReset(&z);
            member_ended_ = false;
        }
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            member_ended_ = true;
        } else if (rc == Z_BUF_ERROR && z.avail_in == 0) {
            // zlib wants more: the next chunk, unless the file has ended.
            if (source_ended_)
                return fail("the gzip-compressed data is cut short: the file ends at byte " + std::to_string(taken_) +
                            " inside a compressed member");
        } else if (rc == Z_MEM_ERROR) {
            return fail("zlib ran out of memory while unpacking");
        } else if (rc != Z_OK) {
            return fail("the gzip-compressed data is damaged at byte " + std::to_string(offset()) + " of the file (" +
                        (z.msg ? z.msg : "not gzip data") + ")");
        }
    }
    return static_cast<std::ptrdiff_t>(wanted - z.avail_out);
}

}  // namespace naaccr
