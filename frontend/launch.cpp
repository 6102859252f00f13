// SPDX-License-Identifier: Apache-2.0
#include "launch.h"

#include "paths.h"

namespace quillmar {

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

int stage_options(const StageChoices& choices) {
    return (choices.ss1977 ? 1 : 0) + (choices.ss2000 ? 2 : 0) + (choices.ajcc ? 4 : 0);
}

std::string runner_path(const std::string& captured_directory) { return captured_directory + "\\tarvos.exe"; }

std::vector<std::string> runner_places(const std::string& captured_directory, std::string_view program_path) {
    std::vector<std::string> places{runner_path(captured_directory)};
    const std::size_t slash = program_path.find_last_of("\\/");
    if (slash == std::string_view::npos) return places;
    const std::string beside = runner_path(std::string(program_path.substr(0, slash)));
    if (!equal_ignoring_case(beside, places.front())) places.push_back(beside);
    return places;
}

RunnerChoice choose_runner(const std::vector<std::string>& places,
                           const std::function<bool(const std::string&)>& exists) {
    RunnerChoice choice{.path = places.empty() ? std::string() : places.front(), .places = places};
    for (const std::string& place : places) {
        if (!exists(place)) continue;
        choice.path = place;
        choice.found = true;
        break;
    }
    return choice;
}

std::string runner_failure_message(const RunnerChoice& choice, const std::string& system_error) {
    std::string message = "The conversion program could not be started:\n" + choice.path;
    if (!system_error.empty()) message += "\n" + system_error;
    if (!choice.found && choice.places.size() > 1) {
        message += "\n\ntarvos.exe was looked for in the start folder and beside this program:";
        for (const std::string& place : choice.places) message += "\n" + place;
    }
    return message;
}

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
