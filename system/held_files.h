// SPDX-License-Identifier: Apache-2.0
// Files held by other programs. On Windows a virus scanner, an indexer, a
// backup or a viewer often holds a file open without sharing for a moment,
// most of all right after it was written; opening, renaming or removing it
// then fails with a sharing or access violation. Such operations are tried
// again for a short, bounded time, as a database on Windows does, before the
// failure is told. Elsewhere a file is never held that way: one try.
#pragma once

#include <string>

namespace naaccr::os {

// Whether the system's last failure was another program's hold on a file.
bool last_failure_was_a_hold();

// Waits before the next try of round (0, 1, ...): 25 ms more each round,
// about two seconds in all; false when the time is up.
bool wait_before_retry(int round);

// Calls attempt until it succeeds (returns true), fails other than by a
// hold, or the time is up; its last result.
template <class Attempt>
bool retry_while_held(Attempt&& attempt) {
    for (int round = 0;; ++round) {
        if (attempt()) return true;
        if (!last_failure_was_a_hold() || !wait_before_retry(round)) return false;
    }
}

// Why the last operation on a file failed, in words a registrar can act on:
// another program's hold named as such, else the system's reason for
// errno_value.
std::string failure_reason(int errno_value);

}  // namespace naaccr::os
