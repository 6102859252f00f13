// SPDX-License-Identifier: Apache-2.0
#include "input_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "file_cache.h"
#include "file_names.h"
#include "gzip_reader.h"
#include "read_ahead.h"

namespace naaccr {
namespace {

// What is read before it is given back to the system, when it is.
constexpr std::uint64_t kReleasedAtOnce = std::uint64_t{16} << 20;

}  // namespace

bool starts_as_gzip(std::span<const char> first) {
    return first.size() >= 2 && static_cast<unsigned char>(first[0]) == 0x1F &&
           static_cast<unsigned char>(first[1]) == 0x8B;
}

InputBytes::InputBytes() = default;

InputBytes::~InputBytes() = default;

bool InputBytes::open(const std::string& path) {
    ahead_.reset();
    gzip_.reset();
    file_.reset(naaccr::os::open_for_one_read(path));
    if (!file_) return false;
    std::error_code ec;
    gentle_ = naaccr::os::gentle_on_memory(std::filesystem::file_size(naaccr::os::path_of(path), ec));
    released_ = 0;
    // Unbuffered: each block is read straight into the reader's buffer.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    head_taken_ = 0;
    head_size_ = std::fread(head_, 1, sizeof head_, file_.get());
    file_bytes_read_ = head_size_;
    read_errno_ = 0;
    if (starts_as_gzip(std::span<const char>(head_, head_size_))) {
        gzip_ = std::make_unique<GzipReader>([this](std::span<char> b) { return read_file(b); });
        ahead_ = std::make_unique<ReadAhead>([this](std::span<char> b) { return gzip_->read(b); });
    }
    return true;
}

std::ptrdiff_t InputBytes::read_file(std::span<char> buffer) {
    std::size_t n = 0;
    if (head_taken_ < head_size_) {
        n = std::min(buffer.size(), head_size_ - head_taken_);
        std::memcpy(buffer.data(), head_ + head_taken_, n);
        head_taken_ += n;
        if (n == buffer.size()) return static_cast<std::ptrdiff_t>(n);
    }
    const std::size_t got = std::fread(buffer.data() + n, 1, buffer.size() - n, file_.get());
    const std::uint64_t read = file_bytes_read_.fetch_add(got, std::memory_order_relaxed) + got;
    if (gentle_ && read - released_ >= kReleasedAtOnce) {
        naaccr::os::release_read(file_.get(), released_, read - released_);
        released_ = read;
    }
    if (got == 0 && n == 0 && std::ferror(file_.get())) {
        read_errno_ = errno ? errno : EIO;
        return -1;
    }
    return static_cast<std::ptrdiff_t>(n + got);
}

std::ptrdiff_t InputBytes::read(std::span<char> buffer) {
    if (!file_) return -1;
    return ahead_ ? ahead_->read(buffer) : read_file(buffer);
}

std::ptrdiff_t InputBytes::read_full(std::span<char> buffer) {
    std::size_t got = 0;
    while (got < buffer.size()) {
        const std::ptrdiff_t n = read(buffer.subspan(got));
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(got);
}

std::string InputBytes::error() const {
    if (read_errno_) return std::strerror(read_errno_);
    if (gzip_ && !gzip_->error().empty()) return gzip_->error();
    return "the file cannot be read";
}

}  // namespace naaccr
