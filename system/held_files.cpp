// SPDX-License-Identifier: Apache-2.0
#include "held_files.h"

#include <chrono>
#include <cstring>
#include <thread>

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace naaccr::os {
namespace {

constexpr int kFirstWaitMs = 25;
constexpr int kLongestWaitInAllMs = 2000;

}  // namespace

bool wait_before_retry(int round) {
    // Rounds 0 to n wait 25, 50, ... ms: the sum up to round n.
    const int waited = kFirstWaitMs * round * (round + 1) / 2;
    if (waited >= kLongestWaitInAllMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kFirstWaitMs * (round + 1)));
    return true;
}

#if defined(_WIN32)

bool last_failure_was_a_hold() {
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

std::string failure_reason(int errno_value) {
    switch (GetLastError()) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "another program holds the file open (Windows error " + std::to_string(GetLastError()) +
                   "); close it there, or wait for a virus scanner or indexer to let it go, and try again";
        case ERROR_ACCESS_DENIED:
            return "access is denied (Windows error 5): the file is read-only, the folder is not writable, or "
                   "another program holds the file";
        case ERROR_FILENAME_EXCED_RANGE:
            return "the name is too long for this Windows (Windows error 206): allow long paths, or choose a "
                   "shorter folder";
        default: return std::strerror(errno_value);
    }
}

#else

bool last_failure_was_a_hold() { return false; }

std::string failure_reason(int errno_value) { return std::strerror(errno_value); }

#endif

}  // namespace naaccr::os
