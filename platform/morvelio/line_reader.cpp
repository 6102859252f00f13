// SPDX-License-Identifier: Apache-2.0
#include "line_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace naaccr {
namespace {

bool all_blank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

std::size_t find_line_end(std::string_view data) {
    const void* lf = std::memchr(data.data(), '\n', data.size());
    const std::size_t lf_at = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data.data()) : data.size();
    const void* cr = std::memchr(data.data(), '\r', lf_at);
    if (cr) return static_cast<std::size_t>(static_cast<const char*>(cr) - data.data());
    return lf ? lf_at : std::string_view::npos;
}

LineReader::LineReader(ByteSource source, std::size_t keep_limit, std::size_t block_size)
    : source_(std::move(source)),
      keep_limit_(keep_limit),
      block_size_(std::max<std::size_t>(block_size, 1)),
      buffer_(block_size_ + keep_limit_ + 2) {}

bool LineReader::refill() {
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, fill_ - pos_);
        fill_ -= pos_;
        pos_ = 0;
    }
    const std::ptrdiff_t n = source_(std::span<char>(buffer_.data() + fill_, buffer_.size() - fill_));
    if (n < 0) {
        read_failed_ = eof_ = true;
        return false;
    }
    if (n == 0) eof_ = true;
    fill_ += static_cast<std::size_t>(n);
    return true;
}

void LineReader::start_long_line() {
    long_text_.assign(buffer_.data() + pos_, keep_limit_);
    long_dropped_ = 0;
    long_blank_ = true;
    long_line_ = true;
    pos_ += keep_limit_;
}

void LineReader::deliver(Line& line, std::size_t text_end, std::size_t end_length) {
    const std::string_view buffered(buffer_.data() + pos_, text_end - pos_);
    if (long_line_) {
        line.text = long_text_;
        line.length = keep_limit_ + long_dropped_ + buffered.size();
        line.blank_tail = long_blank_ && all_blank(buffered);
        long_line_ = false;
    } else {
        line.text = buffered.substr(0, keep_limit_);
        line.length = buffered.size();
        line.blank_tail = buffered.size() <= keep_limit_ || all_blank(buffered.substr(keep_limit_));
    }
    line.end = std::string_view(buffer_.data() + text_end, end_length);
    pos_ = text_end + end_length;
    scan_ = 0;
    ++lines_;
    last_ = line;
}

void LineReader::put_back() {
    if (put_back_ || lines_ == 0) return;
    put_back_ = true;
    --lines_;
}

bool LineReader::next(Line& line) {
    if (put_back_) {
        // The buffer is as the last call left it: the line's views still hold.
        put_back_ = false;
        line = last_;
        ++lines_;
        return true;
    }
    if (read_failed_) return false;
    // Line ends are looked for in a window a little wider than a record first,
    // so that a file ended by lone CRs is not searched for LF to its end per line.
    const std::size_t window = std::max<std::size_t>(keep_limit_ + 2, 64 * 1024);
    for (;;) {
        const std::size_t from = pos_ + scan_;
        const std::string_view rest(buffer_.data() + from, fill_ - from);
        std::size_t found = find_line_end(rest.substr(0, window));
        if (found == std::string_view::npos && rest.size() > window) {
            found = find_line_end(rest.substr(window));
            if (found != std::string_view::npos) found += window;
        }
        bool cr_at_buffer_end = false;
        if (found != std::string_view::npos) {
            const std::size_t at = from + found;
            cr_at_buffer_end = buffer_[at] == '\r' && at + 1 == fill_ && !eof_;
            if (!cr_at_buffer_end) {
                const bool crlf = buffer_[at] == '\r' && at + 1 < fill_ && buffer_[at + 1] == '\n';
                deliver(line, at, crlf ? 2 : 1);
                return true;
            }
        }
        if (eof_) {
            if (fill_ > pos_ || long_line_) {
                deliver(line, fill_, 0);
                return true;
            }
            return false;
        }
        // [pos_, safe) is text of an unfinished line; a CR at the very end is
        // kept until the next byte tells whether an LF follows.
        const std::size_t safe = cr_at_buffer_end ? fill_ - 1 : fill_;
        if (!long_line_ && safe - pos_ > keep_limit_) start_long_line();
        if (long_line_) {
            const std::string_view dropped(buffer_.data() + pos_, safe - pos_);
            long_blank_ = long_blank_ && all_blank(dropped);
            long_dropped_ += dropped.size();
            pos_ = safe;
        }
        scan_ = safe - pos_;
        if (!refill()) return false;
    }
}

std::size_t LineReader::read_lines(std::span<char> dest, std::size_t length, std::string_view end) {
    const std::size_t line_size = length + end.size();
    if (put_back_ || long_line_ || end.empty() || line_size == 0) return 0;
    dest = dest.first(std::min(dest.size(), buffer_.size()) / line_size * line_size);
    if (dest.empty()) return 0;

    // What the buffer holds first, then straight from the source.
    std::size_t got = std::min(dest.size(), fill_ - pos_);
    std::memcpy(dest.data(), buffer_.data() + pos_, got);
    pos_ += got;
    const bool from_source = got < dest.size() && !eof_;
    while (got < dest.size() && !eof_) {
        const std::ptrdiff_t n = source_(dest.subspan(got));
        if (n < 0) read_failed_ = true;
        if (n <= 0) eof_ = true;
        else got += static_cast<std::size_t>(n);
    }

    const std::string_view data(dest.data(), got);
    std::size_t lines = 0;
    for (std::size_t at = 0; at + line_size <= data.size(); at += line_size) {
        if (find_line_end(data.substr(at, length)) != std::string_view::npos) break;
        if (data.substr(at + length, end.size()) != end) break;
        if (end == "\r") {
            // A CR followed by an LF would be a CR LF end instead.
            const std::size_t next = at + line_size;
            bool lf_follows = false;
            if (next < data.size()) lf_follows = data[next] == '\n';
            else if (fill_ > pos_) lf_follows = buffer_[pos_] == '\n';
            else if (!eof_) break;  // the byte after the CR is not read yet
            if (lf_follows) break;
        }
        ++lines;
    }

    // The rest goes back to the reader, ahead of anything still buffered.
    const std::size_t used = lines * line_size;
    const std::size_t rest = got - used;
    if (!from_source) {
        pos_ -= rest;
    } else {
        std::memcpy(buffer_.data(), dest.data() + used, rest);
        pos_ = 0;
        fill_ = rest;
    }
    scan_ = 0;
    lines_ += lines;
    return lines;
}

}  // namespace naaccr
