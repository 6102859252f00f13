// The end of a run: the files written under temporary names are put in place
// (the output, then the results beside the input, each replacing an earlier
// run's), or, when the run did not finish, removed.
#pragma once

#include <string>
#include <vector>

#include "run_plan.h"

namespace tarvos {

struct Placement {
    std::string failure;                // the output could not be put in place: nothing was
    std::vector<std::string> problems;  // results beside the input that could not be put in place
};

// Puts the output and then the results in place. A result this run did not
// write removes an earlier run's of that name, so that none of an earlier
// run's results stays beside a new output. The input itself is never
// replaced or removed, whatever its name.
Placement put_in_place(const RunPlan& plan);

// Removes every file of the run under a temporary name.
void remove_temporary_files(const RunPlan& plan);

}  // namespace tarvos
