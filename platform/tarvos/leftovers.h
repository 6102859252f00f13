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

// An output file without a name until it is complete, where the system has
// such files (Linux's O_TMPFILE): a run killed while writing it leaves
// nothing behind. Elsewhere the file is created under its temporary name.
struct PendingOutput {
    std::FILE* file = nullptr;
    bool anonymous = false;
};
PendingOutput create_pending_output(const std::string& folder, const std::string& temporary_name);

// Gives an anonymous output its temporary name (a no-op for a named one), so
// that it can be renamed into place; false when it cannot.
bool name_pending_output(const PendingOutput& output, const std::string& temporary_name);

}  // namespace tarvos
