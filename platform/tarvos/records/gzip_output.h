// SPDX-License-Identifier: Apache-2.0
// An output whose name ends in ".gz" is written gzip-compressed: each block
// the conversion hands over is compressed by zlib as it comes and the
// compressed bytes go on to the file, so the output is never held whole.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "options.h"

#include "record_stream.h"

namespace tarvos {

class GzipOutput {
public:
    // The compressed bytes go to sink, which is never handed an empty block.
    explicit GzipOutput(ByteSink sink);
    ~GzipOutput();
    GzipOutput(const GzipOutput&) = delete;
    GzipOutput& operator=(const GzipOutput&) = delete;

    // False when zlib could not start (out of memory).
    bool ready() const;
    // Compresses a block; false when the sink failed (errno tells why).
    bool write(std::string_view block);
    // Ends the stream: what zlib still holds and the gzip trailer go to the
    // sink. False when the sink failed.
    bool finish();

private:
    bool deflate_into_sink(int flush);

    struct Stream;
    std::unique_ptr<Stream> z_;
    ByteSink sink_;
    std::vector<char> packed_;
};

}  // namespace tarvos
