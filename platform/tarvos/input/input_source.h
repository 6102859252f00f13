// SPDX-License-Identifier: Apache-2.0
// The input of a run, opened once and read once: its bytes (a gzip file
// unpacked as they are read), split into lines, and the look at its first
// record that gives its shape before anything is written. The first line is
// left to the conversion that reads on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "input_bytes.h"
#include "line_reader.h"
#include "record_checks.h"

namespace tarvos {

class InputSource {
public:
    // Opens the file named path (UTF-8) and looks at its first record; false
    // when it cannot be read or converted, refusal() saying why.
    bool open(const std::string& path);
    const FileShape& shape() const { return shape_; }
    const std::string& refusal() const { return refusal_; }
    naaccr::LineReader& lines() { return *lines_; }
    bool compressed() const { return bytes_.compressed(); }
    // The bytes of the file read so far and the file's size (the compressed
    // file's, for a gzip file): the run's progress.
    std::uint64_t bytes_read() const { return bytes_.file_bytes_read(); }
    std::uint64_t size() const { return size_; }
    // Why reading failed: the system's reason, or where gzip data broke.
    std::string read_error() const { return bytes_.error(); }

private:
    std::ptrdiff_t read(std::span<char> buffer);

    naaccr::InputBytes bytes_;
    std::unique_ptr<naaccr::LineReader> lines_;
    char head_[64] = {};  // the first bytes of the content, which tell a binary file
    std::size_t head_size_ = 0, head_taken_ = 0;
    std::uint64_t size_ = 0;
    FileShape shape_;
    std::string refusal_;
};

}  // namespace tarvos
