// SPDX-License-Identifier: Apache-2.0
// Temporary files that no run will finish: a run that was killed (or crashed,
// or lost its power) cannot remove what it wrote under temporary names. Each
// such name holds the process number of its run; a later run removes the
// files and private folders of runs whose process no longer exists, but
// never a private folder that a placement journal still needs.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace tarvos {

// The process number in a temporary name of a run: ".tarvos-<pid>-..." (a
// run's private folder, or the results of earlier versions of the runner)
// or ".<name>.tarvos-<pid>.part" (an output of earlier versions). Nothing
// for other names.
std::optional<long> run_of_temporary_name(std::string_view file_name);

// Whether a process of that number exists.
bool process_exists(long pid);

// Removes, in folder (blank: the current folder), the temporary files and
// private folders of runs whose process no longer exists; returns how many
// it removed.
int remove_leftovers(const std::string& folder);

}  // namespace tarvos
