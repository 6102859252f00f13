#include "launch.h"

namespace quillmar {

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

int stage_options(const StageChoices& choices) {
    return (choices.ss1977 ? 1 : 0) + (choices.ss2000 ? 2 : 0) + (choices.ajcc ? 4 : 0);
}

std::string runner_path(const std::string& captured_directory) { return captured_directory + "\\tarvos.exe"; }

std::vector<std::string> runner_arguments(const Launch& launch) {
    return {
        quoted(launch.runner),
        quoted(launch.input_path),
        quoted(launch.output_path),
        launch.info.record_type,
        std::to_string(launch.info.line_end_code),
        std::to_string(launch.info.record_length),
        std::to_string(stage_options(launch.stages)),
        launch.stages.derive ? "true" : "false",
        std::to_string(launch.info.record_count),
    };
}

std::string join_command_line(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += argument;
    }
    return line;
}

}  // namespace quillmar
