// SPDX-License-Identifier: Apache-2.0
#include "gzip_output.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

namespace tarvos {

struct GzipOutput::Stream {
    z_stream z{};
    bool ready = false;
};

namespace {
// 15 bits of window, plus 16: a gzip wrapper; zlib's usual memory level.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;
constexpr std::size_t kPackedBlock = std::size_t{256} << 10;
}  // namespace

GzipOutput::GzipOutput(ByteSink sink) : z_(std::make_unique<Stream>()), sink_(std::move(sink)), packed_(kPackedBlock) {
    z_->ready = deflateInit2(&z_->z, kGzipOutputLevel, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                             Z_DEFAULT_STRATEGY) == Z_OK;
}

GzipOutput::~GzipOutput() {
    if (z_->ready) deflateEnd(&z_->z);
}

bool GzipOutput::ready() const { return z_->ready; }

bool GzipOutput::deflate_into_sink(int flush) {
    z_stream& z = z_->z;
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(packed_.data());
        z.avail_out = static_cast<uInt>(packed_.size());
        const int rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR) {
            errno = EINVAL;  // zlib's state is broken: no sink failure to name
            return false;
        }
        const std::size_t packed = packed_.size() - z.avail_out;
        if (packed > 0 && !sink_(std::string_view(packed_.data(), packed))) return false;
        // Done when zlib left room: it has taken all it was given (and, when
        // finishing, written the trailer).
        if (flush == Z_FINISH ? rc == Z_STREAM_END : z.avail_out != 0 && z.avail_in == 0) return true;
    }
}

bool GzipOutput::write(std::string_view block) {
    if (!z_->ready) {
        errno = ENOMEM;
        return false;
    }
    z_stream& z = z_->z;
    while (!block.empty()) {
        const std::size_t n = std::min<std::size_t>(block.size(), UINT_MAX);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
        z.avail_in = static_cast<uInt>(n);
        if (!deflate_into_sink(Z_NO_FLUSH)) return false;
        block.remove_prefix(n);
    }
    return true;
}

bool GzipOutput::finish() {
    if (!z_->ready) {
        errno = ENOMEM;
        return false;
    }
    z_->z.next_in = nullptr;
    z_->z.avail_in = 0;
    return deflate_into_sink(Z_FINISH);
}

}  // namespace tarvos
