// SPDX-License-Identifier: Apache-2.0
// One check of an input file, as the dialog's worker thread runs it: the
// file-information library reads the file and tells how far it has come; the
// check passes on each new whole percent (so a file of many gigabytes sends
// the window about a hundred notes, not one for every 4 MB), and stops the
// reading soon after it is asked to.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

#include "dialog_ports.h"
#include "morvelio.h"

namespace quillmar {

// The whole percent of the file read, 0 to 100; 0 while the size is unknown.
int percent_read(std::uint64_t bytes_read, std::uint64_t file_size);

// The file-information library's call that tells its progress.
using FileInfoProgressCall = int(MORVELIO_CALL*)(char*, morvelio_progress, void*);

class FileCheck {
public:
    // told: each new whole percent read, on the reading thread.
    explicit FileCheck(std::function<void(int percent)> told) : told_(std::move(told)) {}

    // Reads path (UTF-8) through call; a stopped reading gives MORVELIO_STOPPED.
    FileInfoResult run(FileInfoProgressCall call, std::string_view path);
    // From any thread: the reading stops at its next progress note (about
    // every 4 MB).
    void stop() { stop_asked_.store(true, std::memory_order_relaxed); }

private:
    static int MORVELIO_CALL progress(void* context, unsigned long long bytes_read, unsigned long long file_size);

    std::function<void(int)> told_;
    std::atomic<bool> stop_asked_{false};
    int last_told_ = -1;
};

}  // namespace quillmar
