// SPDX-License-Identifier: Apache-2.0
#include "file_cache.h"

#include <fstream>
#include <string>

#include "file_names.h"
#include "held_files.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <unistd.h>
#endif

namespace naaccr::os {
namespace {

#if defined(_WIN32)

std::uint64_t usable_memory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

#else

// The limit of the control group the process runs in (a container, a
// service), which may be far below the machine's memory; 0 when none.
std::uint64_t group_limit() {
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    while (std::getline(groups, line)) {
        // "0::/path" (one hierarchy for all) or "4:memory:/path".
        const std::size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1), path = line.substr(second + 1);
        const std::string file = controllers.empty()             ? "/sys/fs/cgroup" + path + "/memory.max"
                                 : controllers.find("memory") != std::string::npos
                                     ? "/sys/fs/cgroup/memory" + path + "/memory.limit_in_bytes"
                                     : std::string();
        std::uint64_t limit = 0;
        if (!file.empty() && std::ifstream(file) >> limit && limit > 0) return limit;  // "max" reads as no number
    }
    return 0;
}

std::uint64_t usable_memory() {
    const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGE_SIZE);
    const std::uint64_t physical =
        pages > 0 && page_size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size) : 0;
    const std::uint64_t group = group_limit();
    return group > 0 && (physical == 0 || group < physical) ? group : physical;
}

#endif

}  // namespace

bool gentle_on_memory(std::uint64_t file_size) {
    const std::uint64_t memory = usable_memory();
    return memory > 0 && file_size > memory / 4;
}

#if defined(_WIN32)

std::FILE* open_for_one_read(std::string_view utf8) {
    return stream_of_handle(open_existing(utf8, GENERIC_READ, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN), "rb");
}

void release_read(std::FILE*, std::uint64_t, std::uint64_t) {}

void wait_written(std::FILE*, std::uint64_t, std::uint64_t) {}

void release_written(std::FILE*, std::uint64_t, std::uint64_t) {}

#else

std::FILE* open_for_one_read(std::string_view utf8) {
    std::FILE* file = open_file(utf8, "rb");
    if (file) (void)posix_fadvise(fileno(file), 0, 0, POSIX_FADV_SEQUENTIAL);
    return file;
}

void release_read(std::FILE* file, std::uint64_t offset, std::uint64_t length) {
    (void)posix_fadvise(fileno(file), static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_DONTNEED);
}

void wait_written(std::FILE* file, std::uint64_t offset, std::uint64_t length) {
#  if defined(__linux__)
    (void)sync_file_range(fileno(file), static_cast<off_t>(offset), static_cast<off_t>(length),
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
#  else
    (void)file, (void)offset, (void)length;
#  endif
}

void release_written(std::FILE* file, std::uint64_t offset, std::uint64_t length) {
    // Only pages already on the disk can be given back.
    wait_written(file, offset, length);
    (void)posix_fadvise(fileno(file), static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_DONTNEED);
}

#endif

}  // namespace naaccr::os
