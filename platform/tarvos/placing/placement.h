// SPDX-License-Identifier: Apache-2.0
// The end of a run: the output and the results beside the input (database,
// reports, run log, summary page) are one set, put in place whole, the way a
// database commits. The new files wait in private folders; a journal naming
// every move is flushed beside the input before the first rename; each
// earlier file of a final name is kept aside until the set is whole. A run
// killed while placing leaves the journal, and the next run of that input's
// results completes the placement before anything else. docs/placement.md
// describes the design.
#pragma once

#include <string>
#include <vector>

#include "run_plan.h"

namespace tarvos {

// One name of the set: the new file under its temporary name moves to the
// final name; with no new file, an earlier file of the final name goes.
// Either way an earlier file of the final name is first moved aside.
struct SetEntry {
    std::string staged;  // empty: this run has no such file
    std::string final_name;
    std::string aside;  // where an earlier file of the final name waits
};

struct PlacementSet {
    std::vector<SetEntry> entries;           // in the order they are put in place
    std::vector<std::string> private_folders;  // where the new files wait
    std::string journal;
};

// The set of a converted run, from its plan; the input itself is never part of it.
PlacementSet placement_set(const RunPlan& plan);

struct PlacementOutcome {
    std::string failure;  // empty when the set is in place and, with sync, on disk
    bool placed = false;  // the new set is in place (its folders may not have reached the disk)
};

// Puts the set in place. When it cannot, the earlier files are back under
// their names, or, when even that failed, the journal stays for the next run
// to complete the placement. With sync, every new file and every folder
// touched is flushed to disk.
PlacementOutcome put_in_place(const PlacementSet& set, bool sync);

// Removes the private folders of the run and all they hold.
void remove_temporary_files(const RunPlan& plan);

struct Recovery {
    bool found = false;                // a journal of an interrupted placement was there
    std::vector<std::string> placed;   // final names that the completion put in place
    std::string failure;               // why it could not be completed; empty when it was
};

// Completes the placement that the journal at that path names, if any, and
// removes the journal and its private folders.
Recovery complete_interrupted_placement(const std::string& journal);

// The private folders that the journals in a folder still need.
std::vector<std::string> folders_named_by_journals(const std::string& folder);

}  // namespace tarvos
