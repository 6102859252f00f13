// SPDX-License-Identifier: Apache-2.0
#include "line_source.h"

#include "file_names.h"
#include "held_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cstage_cli {
namespace {

constexpr std::size_t kBlockSize = std::size_t{8} << 20;

bool is_line_end(char c) { return c == '\n' || c == '\r'; }

}  // namespace

LineSource::LineSource(const std::string& path) {
#if !defined(_WIN32)
    // Opened once: a pipe must not be opened twice.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = std::strerror(errno);
        return;
    }
    struct stat st {};
    if (sizeof(void*) == 8 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        void* at = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (at != MAP_FAILED) {
            madvise(at, static_cast<std::size_t>(st.st_size), MADV_SEQUENTIAL);
            mapped_ = static_cast<const char*>(at);
            mapped_size_ = static_cast<std::size_t>(st.st_size);
            end_ = mapped_size_;
            at_eof_ = true;
            close(fd);
            return;
        }
    }
    file_ = fdopen(fd, "rb");
    if (!file_) {
        error_ = std::strerror(errno);
        close(fd);
        return;
    }
#else
    file_ = naaccr::os::open_file(path, "rb");
    if (!file_) {
        error_ = naaccr::os::failure_reason(errno);
        return;
    }
#endif
    buffer_.resize(kBlockSize);
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

LineSource::~LineSource() {
#if !defined(_WIN32)
    if (mapped_) munmap(const_cast<char*>(mapped_), mapped_size_);
#endif
    if (file_) std::fclose(file_);
}

bool LineSource::fill() {
    if (at_eof_ || !file_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a line longer than a block
    const std::size_t n = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    if (n == 0) {
        at_eof_ = true;
        if (std::ferror(file_)) error_ = std::strerror(errno ? errno : EIO);
        return false;
    }
    end_ += n;
    return true;
}

bool LineSource::next(std::string_view& line) {
    for (;;) {
        const char* const data = mapped_ ? mapped_ : buffer_.data();
        const char* at = data + begin_;
        const char* const end = data + end_;
        // The first line end: searched for with the file's own line end
        // (memchr is fast), else byte by byte until the first line tells it.
        const char* found = end;
        if (line_end_ != 0) {
            const void* hit = std::memchr(at, line_end_, static_cast<std::size_t>(end - at));
            found = hit ? static_cast<const char*>(hit) : end;
            if (line_end_ == '\n' && found != at && found != end && found[-1] == '\r') --found;
        } else {
            found = std::find_if(at, end, is_line_end);
        }
        // A line end found, unless it is a CR at the end of what was read,
        // which may be the first half of a CR LF.
        if (found != end && (found + 1 < end || at_eof_ || *found == '\n')) {
            std::size_t end_size = 1;
            if (*found == '\r' && found + 1 < end && found[1] == '\n') end_size = 2;
            if (line_end_ == 0) line_end_ = end_size == 2 ? '\n' : *found;
            line = std::string_view(at, static_cast<std::size_t>(found - at));
            begin_ += line.size() + end_size;
            return true;
        }
        const bool cr_at_end = found != end;  // decided once the end of the file is known
        if (!fill()) {
            if (!error_.empty() || begin_ == end_) return false;
            if (cr_at_end) continue;
            // The last line, without a line end.
            line = std::string_view(data + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
    }
}

}  // namespace cstage_cli
