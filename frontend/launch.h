// SPDX-License-Identifier: Apache-2.0
// The conversion runner's launch: stage options from the check boxes, the
// runner's path and its command line, argument by argument.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dialog_ports.h"

namespace quillmar {

struct StageChoices {
    bool derive = false;   // "Derive CS"
    bool ajcc = false;     // option 4
    bool ss1977 = false;   // option 1
    bool ss2000 = false;   // option 2
};

int stage_options(const StageChoices& choices);

// The runner beside the directory the program was started in.
std::string runner_path(const std::string& captured_directory);

// Where the runner is looked for, in order: the folder captured at start,
// then the folder of the dialog's own program file (a shortcut may start the
// dialog in another folder). One place when both are the same folder.
std::vector<std::string> runner_places(const std::string& captured_directory, std::string_view program_path);

struct RunnerChoice {
    std::string path;                 // the runner to start
    std::vector<std::string> places;  // every place looked at
    bool found = false;               // false: no place has it; the first is tried anyway
};

// The first place that holds the runner; the first place when none does, so
// that starting it fails with the system's reason.
RunnerChoice choose_runner(const std::vector<std::string>& places,
                           const std::function<bool(const std::string&)>& exists);

// The error shown when the runner cannot be started: every place looked at,
// then the system's reason.
std::string runner_failure_message(const RunnerChoice& choice, const std::string& system_error);

struct Launch {
    std::string runner;
    std::string input_path;
    std::string output_path;
    FileInfo info;
    StageChoices stages;
};

// The nine arguments: runner, input and output in double quotes, record type
// letter, line-end code, record length, stage options, "true"/"false" for
// deriving stage at all, record count.
std::vector<std::string> runner_arguments(const Launch& launch);

// The arguments joined by single blanks.
std::string join_command_line(const std::vector<std::string>& arguments);

}  // namespace quillmar
