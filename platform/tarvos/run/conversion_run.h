// SPDX-License-Identifier: Apache-2.0
// One conversion of a file, from the checks to the summary, through the
// conversion library's exports.
#pragma once

#include <string>

#include "options.h"

namespace tarvos {

inline constexpr const char* kRunnerVersion = "1.0.6";

// Exit codes besides 0 and the interrupt's.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs the conversion the options describe; returns the exit code.
int run_conversion(const RunOptions& options);

// "tarvos 1.0.6" and the versions of the libraries it drives.
std::string version_text();

}  // namespace tarvos
