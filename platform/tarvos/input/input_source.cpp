// SPDX-License-Identifier: Apache-2.0
#include "input_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "file_names.h"
#include "held_files.h"

namespace tarvos {
namespace {

std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool InputSource::open(const std::string& path) {
    if (!bytes_.open(path)) {
        refusal_ = "cannot read " + in_quotes(path) + ": " + naaccr::os::failure_reason(errno);
        return false;
    }
    std::error_code ec;
    size_ = std::filesystem::file_size(naaccr::os::path_of(path), ec);
    // The first bytes of the content (unpacked, for a gzip file) tell a
    // binary file; the lines then take them first.
    const std::ptrdiff_t head = bytes_.read_full(head_);
    if (head < 0) {
        refusal_ = "cannot read " + in_quotes(path) + ": " + bytes_.error();
        return false;
    }
    head_size_ = static_cast<std::size_t>(head);
    lines_ = std::make_unique<naaccr::LineReader>([this](std::span<char> b) { return read(b); }, kLineKeepLimit);
    naaccr::Line first;
    const bool has_first = lines_->next(first);
    if (lines_->read_failed()) {
        refusal_ = "cannot read " + in_quotes(path) + ": " + bytes_.error();
        return false;
    }
    FirstLook look = first_look(std::string_view(head_, head_size_), has_first ? &first : nullptr, path);
    shape_ = std::move(look.shape);
    refusal_ = std::move(look.refusal);
    if (has_first) lines_->put_back();
    return refusal_.empty();
}

std::ptrdiff_t InputSource::read(std::span<char> buffer) {
    if (head_taken_ == head_size_) return bytes_.read(buffer);
    const std::size_t n = std::min(buffer.size(), head_size_ - head_taken_);
    std::memcpy(buffer.data(), head_ + head_taken_, n);
    head_taken_ += n;
    return static_cast<std::ptrdiff_t>(n);
}

}  // namespace tarvos
