// SPDX-License-Identifier: Apache-2.0
#include "output_file.h"

#include <cerrno>
#include <cstring>

#include "file_cache.h"
#include "held_files.h"
#include "os_support.h"

namespace tarvos {
namespace {

// How far behind the newest block the output is given back to the system.
constexpr std::uint64_t kReleaseBehind = std::uint64_t{32} << 20;
// How much output is sent to the disk at once.
constexpr std::uint64_t kWritebackChunk = std::uint64_t{8} << 20;
// How much output the disk is asked to hold for good at once.
constexpr std::uint64_t kFlushChunk = std::uint64_t{32} << 20;

}  // namespace

OutputFile::~OutputFile() {
    if (flusher_) flusher_->stop();
    if (pending_.file) std::fclose(pending_.file);
}

std::string OutputFile::create(const std::string& folder, const std::string& temporary_name, bool gzip,
                               std::uint64_t expected_size, bool sync, bool gentle) {
    temporary_name_ = temporary_name;
    sync_ = sync;
    gentle_ = gentle && sync;
    // The output has no name while it is written, where the system allows:
    // a run killed now leaves nothing of it behind.
    pending_ = create_pending_output(folder, temporary_name);
    if (!pending_.file) return naaccr::os::failure_reason(errno);
    // Unbuffered: each block goes to the system as it is.
    std::setvbuf(pending_.file, nullptr, _IONBF, 0);
    if (sync_) flusher_.emplace(pending_.file);
    if (gzip) {
        gzip_.emplace([this](std::string_view block) { return write_plain(block); });
        if (!gzip_->ready()) return "zlib cannot start compressing (out of memory)";
    } else {
        // A plain output is about as long as the input: its room on the disk
        // is set aside before the first block.
        room_ = expected_size;
        reserve_room(pending_.file, room_);
    }
    return {};
}

ByteSink OutputFile::sink() {
    if (gzip_) return [this](std::string_view block) { return write_packed(block); };
    return [this](std::string_view block) { return write_plain(block); };
}

bool OutputFile::write_plain(std::string_view block) {
    if (std::fwrite(block.data(), 1, block.size(), pending_.file) != block.size()) {
        if (!write_errno_) write_errno_ = errno ? errno : EIO;
        return false;
    }
    // When the output is to reach the disk, it is sent on its way 8 MB at a
    // time while the next blocks convert: large writes, as the system's own
    // writeback makes them, rather than one for each block.
    written_ += block.size();
    if (sync_ && written_ - started_ >= kWritebackChunk) {
        start_writeback(pending_.file, started_, written_ - started_);
        started_ = written_;
    }
    if (flusher_ && written_ - flush_asked_ >= kFlushChunk) {
        flusher_->ask();
        flush_asked_ = written_;
    }
    // The writer waits for what it wrote a while ago to reach the disk, so
    // that the flush at the end finds little left to do; and, to be gentle,
    // gives it back to the system once there.
    if (sync_ && written_ - released_ >= 2 * kReleaseBehind) {
        const std::uint64_t length = written_ - kReleaseBehind - released_;
        if (gentle_)
            naaccr::os::release_written(pending_.file, released_, length);
        else
            naaccr::os::wait_written(pending_.file, released_, length);
        released_ += length;
    }
    return true;
}

bool OutputFile::write_packed(std::string_view block) {
    if (gzip_->write(block)) return true;
    if (!write_errno_) write_errno_ = errno ? errno : EIO;
    return false;
}

std::string OutputFile::finish(const std::string& output) {
    const auto failed = [&](int error, const char* what = "write") {
        return std::string("cannot ") + what + " the output beside \"" + output +
               "\": " + std::strerror(write_errno_ ? write_errno_ : error);
    };
    // A compressed output ends with what zlib still holds and the gzip
    // trailer, written and checked like every other block.
    if (gzip_ && !gzip_->finish()) return failed(errno);
    if (write_errno_) return failed(EIO);
    if (flusher_)
        if (const int error = flusher_->stop(); error != 0) return failed(error, "flush");
    if (room_ > written_) release_room_past(pending_.file, written_);
    if (sync_ && !flush_to_disk(pending_.file)) return failed(errno, "flush");
    if (!name_pending_output(pending_, temporary_name_)) return failed(errno, "name");
    std::FILE* file = pending_.file;
    pending_.file = nullptr;
    if (std::fclose(file) != 0) return failed(errno);
    return {};
}

}  // namespace tarvos
