// SPDX-License-Identifier: Apache-2.0
// The output under its temporary name while the records are written: nameless
// until it is complete where the system allows, its room on the disk set
// aside before the first block (a plain output), compressed block by block
// when its name ends in ".gz". Every write is checked and the first failure
// kept.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>
#include <string_view>

#include "background_flush.h"
#include "block_writer.h"
#include "gzip_output.h"
#include "os_support.h"

namespace tarvos {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file in folder, to be named temporary_name when complete,
    // for an output of about expected_size bytes (0: unknown); when sync,
    // each block is sent to the disk as soon as it is written, and, when
    // gentle, given back to the system once there. The reason it cannot be
    // created, or empty.
    std::string create(const std::string& folder, const std::string& temporary_name, bool gzip,
                       std::uint64_t expected_size, bool sync, bool gentle);
    // Where the conversion's blocks go.
    ByteSink sink();
    // Files beside it whose writing to the disk starts as the output's does,
    // when sync: their flush at the end then waits less.
    void write_back_beside(std::vector<std::string> paths) {
        if (flusher_) flusher_->write_back_too(std::move(paths));
    }
    // Ends the output: what zlib still holds, the room past its end given
    // back, on the disk when sync, named. Why it failed, naming the output by
    // its final name, or empty.
    std::string finish(const std::string& output);
    // The first failed write (an errno value), or 0.
    int write_error() const { return write_errno_; }

private:
    bool write_plain(std::string_view block);
    bool write_packed(std::string_view block);

    PendingOutput pending_;
    std::string temporary_name_;
    std::optional<GzipOutput> gzip_;
    std::optional<BackgroundFlush> flusher_;  // while sync
    bool sync_ = false, gentle_ = false;
    std::uint64_t written_ = 0, room_ = 0, released_ = 0, started_ = 0, flush_asked_ = 0;
    int write_errno_ = 0;
};

}  // namespace tarvos
