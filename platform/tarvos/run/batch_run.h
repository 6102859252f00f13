// SPDX-License-Identifier: Apache-2.0
// Several files in one call: each input converted into one folder under its
// own name, each with its own database, reports and run log beside its input.
// One file's refusal does not stop the others; an interrupt stops the batch.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "options.h"

namespace tarvos {

// Runs one file's conversion and gives its exit code.
using RunOne = std::function<int(const RunOptions&)>;

struct BatchPlan {
    std::vector<RunOptions> runs;     // one per input that can be tried, in order
    std::vector<std::string> refused;  // inputs refused before any run, with why
};

// The runs of a batch: the output of each input is DIR/its file name. An
// input whose file name another input of the batch already has is refused,
// so that no output replaces another's.
BatchPlan plan_batch(const RunOptions& shared, const std::string& output_dir, const std::vector<std::string>& inputs);

// Runs the batch; 0 when every file converted, the interrupt's code when a
// run was interrupted, 1 otherwise. Prints which file runs, and a closing
// line, on standard error unless quiet.
int run_batch(const RunOptions& shared, const std::string& output_dir, const std::vector<std::string>& inputs,
              const RunOne& run_one);

}  // namespace tarvos
