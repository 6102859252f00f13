// SPDX-License-Identifier: Apache-2.0
#include "file_check.h"

#include <algorithm>

#include "info_blocks.h"

namespace quillmar {

int percent_read(std::uint64_t bytes_read, std::uint64_t file_size) {
    if (file_size == 0) return 0;
    if (bytes_read >= file_size) return 100;
    // Both halved until a hundred times the size fits 64 bits.
    while (file_size > UINT64_MAX / 100) {
        file_size >>= 1;
        bytes_read >>= 1;
    }
    return static_cast<int>(std::min<std::uint64_t>(bytes_read * 100 / file_size, 99));
}

FileInfoResult FileCheck::run(FileInfoProgressCall call, std::string_view path) {
    return describe_with([this, call](char* record) { return call(record, &FileCheck::progress, this); }, path);
}

int MORVELIO_CALL FileCheck::progress(void* context, unsigned long long bytes_read, unsigned long long file_size) {
    auto& check = *static_cast<FileCheck*>(context);
    const int percent = percent_read(bytes_read, file_size);
    if (percent != check.last_told_ && check.told_) {
        check.last_told_ = percent;
        try {
            check.told_(percent);
        } catch (...) {
            return 1;   // nothing crosses back into the library; the reading stops
        }
    }
    return check.stop_asked_.load(std::memory_order_relaxed) ? 1 : 0;
}

}  // namespace quillmar
