// SPDX-License-Identifier: Apache-2.0
// Splits a byte stream into lines ended by LF, CR LF or a lone CR, reading in
// large blocks. A line's text is handed out as a view into the reader's
// buffer, valid until the next call; memory stays bounded whatever the line
// lengths, because characters past the keep limit are only looked at, never
// kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace naaccr {

// Reads up to buffer.size() bytes; returns the count, 0 at the end of the
// input, or -1 on a read error.
using ByteSource = std::function<std::ptrdiff_t(std::span<char> buffer)>;

struct Line {
    std::string_view text;     // the line without its end, at most the keep limit
    std::string_view end;      // "", "\n", "\r\n" or "\r"
    std::uint64_t length = 0;  // full length of the line without its end
    bool blank_tail = true;    // every character past the keep limit is a blank
};

// Position of the first CR or LF in data, or npos.
std::size_t find_line_end(std::string_view data);

class LineReader {
public:
    static constexpr std::size_t kDefaultBlock = std::size_t{1} << 20;

    LineReader(ByteSource source, std::size_t keep_limit, std::size_t block_size = kDefaultBlock);

    // The next line; false at the end of the input or after a read error.
    bool next(Line& line);
    // Hands the line next() gave last out again at the next call, as if it
    // had not been read: a first look at a file leaves its first line to the
    // reading that follows.
    void put_back();
    bool read_failed() const { return read_failed_; }

    // Reads lines of exactly length characters, each ended by end (not
    // empty), straight into dest: one large read instead of a read into the
    // buffer and a copy out of it. Returns how many such lines now fill the
    // start of dest; from the first line of another shape on, the bytes stay
    // with the reader for next(). A lone CR counts only when the byte after it
    // is known to be no LF.
    std::size_t read_lines(std::span<char> dest, std::size_t length, std::string_view end);
    // Lines handed out so far.
    std::uint64_t line_number() const { return lines_; }

private:
    bool refill();
    void start_long_line();
    void deliver(Line& line, std::size_t text_end, std::size_t end_length);

    ByteSource source_;
    std::size_t keep_limit_;
    std::size_t block_size_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;   // start of the current line
    std::size_t scan_ = 0;  // bytes from pos_ known to hold no line end
    std::size_t fill_ = 0;  // end of the data in the buffer
    bool eof_ = false;
    bool read_failed_ = false;
    std::uint64_t lines_ = 0;
    Line last_;           // the line next() gave last
    bool put_back_ = false;

    // A line longer than the buffer holds: its first keep_limit characters,
    // how many characters were dropped after them, and whether all were blanks.
    bool long_line_ = false;
    std::string long_text_;
    std::uint64_t long_dropped_ = 0;
    bool long_blank_ = true;
};

}  // namespace naaccr
