// SPDX-License-Identifier: Apache-2.0
// The lines of a file, with whatever line ends the file has (LF, CR LF or CR;
// the first line end found tells which): a regular file is mapped into
// memory whole where the system allows it (64-bit POSIX), any other read in
// large blocks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace cstage_cli {

class LineSource {
public:
    // Opens the file for reading only; error() says why when it cannot.
    explicit LineSource(const std::string& path);
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // The next line without its line end (LF, CR LF or CR); it stays valid
    // until the next call. False at the end of the file or on a read error.
    bool next(std::string_view& line);
    // Why the file could not be opened or read; empty while all is well.
    const std::string& error() const { return error_; }

private:
    bool fill();  // reads more after the unread part; false when nothing came

    // A regular file mapped whole, where the system allows: read in place,
    // without a copy.
    const char* mapped_ = nullptr;
    std::size_t mapped_size_ = 0;
    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::size_t begin_ = 0, end_ = 0;  // the unread part of the buffer
    bool at_eof_ = false;
    char line_end_ = 0;  // '\n' (LF or CR LF) or '\r' (CR) once the first line has shown it
    std::string error_;
};

}  // namespace cstage_cli
