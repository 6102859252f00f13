// The conversion runner's launch: stage options from the check boxes, the
// runner's path and its command line, argument by argument.
#pragma once

#include <string>
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
