// SPDX-License-Identifier: Apache-2.0
// The dialog's form of a run on Windows: a small window of the runner's own
// shows the input, a progress bar, the records done, the time left and a
// Cancel button; a message box that stays until it is closed ends the run.
#pragma once

#include <memory>
#include <string>

#include "run_report.h"

namespace tarvos {

// Leaves a console made for this run alone (see the definition) and returns
// the reporter that draws the window from its own thread.
std::unique_ptr<RunReporter> open_run_window(const std::string& input);

}  // namespace tarvos
