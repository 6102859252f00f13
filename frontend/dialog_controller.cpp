// SPDX-License-Identifier: Apache-2.0
#include "dialog_controller.h"

#include "launch.h"
#include "paths.h"
#include "resource.h"

namespace quillmar {

namespace {

// What the record count field says while the input is read.
constexpr std::string_view reading_text = "Reading...";

constexpr const char* same_name_message = "The output file cannot have the same name as the input file.";

std::string side_file_message(const std::string& side_file) {
    return "The output file cannot be " + side_file +
           ": the conversion writes its results database and reports beside the input file under that name.";
}

std::string version_message(const std::string& version) {
    return "The file appears to be version \"" + version +
           "\" but this program\nconverts only version \"140\".";
}

std::string path_for_comparison(FileQueries& files, const std::string& path) {
    std::string full = files.full_path(path);
    return full.empty() ? path : full;
}

}  // namespace

DialogController::DialogController(DialogPorts ports, LibraryVersions versions, std::string captured_directory,
                                   std::string_view program_path)
    : ports_(ports), versions_(std::move(versions)), captured_directory_(std::move(captured_directory)),
      program_path_(program_path), help_file_(help_file_path(program_path)) {}

void DialogController::open() {
    DialogView& view = ports_.view;
    state_ = DialogState{};
    view.set_text(IDC_INPUT_PATH, "");
    view.set_text(IDC_OUTPUT_PATH, "");
    view.set_enabled(IDC_CONVERT, false);
    for (int box : {IDC_DERIVE_CS, IDC_AJCC_STAGE, IDC_SS1977, IDC_SS2000}) {
        view.set_checked(box, true);
        view.set_enabled(box, true);
    }
    view.set_title(window_title(versions_));
}

// Any edit of the input name makes the file information stale: Convert stays
// off until the name has been checked again.
void DialogController::input_changed() {
    ports_.view.set_enabled(IDC_CONVERT, false);
    state_.input_path = ports_.view.text(IDC_INPUT_PATH);
    state_.input_valid = false;
    if (check_) {
        // The field no longer names the file being read.
        stop_check();
        clear_file_info_fields();
    }
}

void DialogController::input_focus_lost() {
    const std::string path = put_back_trimmed(IDC_INPUT_PATH);
    // Still reading the name in the field (any edit would have stopped it):
    // the rest runs when the result arrives.
    if (check_) return;
    if (path.empty()) {
        clear_input();
    } else if (state_.input_valid) {
        // Unchanged since it was checked: a large file is not read again
        // each time the focus passes through the field.
    } else if (!ports_.files.is_regular_file(path)) {
        state_.info = FileInfo{};
        clear_file_info_fields();
        ports_.view.show_message("Input file does not exist.", "Error", MessageIcon::none);
        return;
    } else {
        check_input(path, true);
        return;
    }
    state_.names_valid = check_names();
    update_convert();
}

void DialogController::input_selected(const std::optional<std::string>& chosen) {
    if (chosen) {
        ports_.view.set_text(IDC_INPUT_PATH, *chosen);
        state_.input_path = *chosen;
        check_input(*chosen, false);
        return;
    }
    ports_.view.set_text(IDC_INPUT_PATH, "");
    clear_input();
    state_.names_valid = check_names();
    update_convert();
}

void DialogController::clear_input() {
    stop_check();
    state_.input_path.clear();
    state_.input_valid = false;
    state_.info = FileInfo{};
    clear_file_info_fields();
}

// The file is read away from the window's thread; until its result arrives
// the fields it fills say that it is being read, and Convert stays off.
void DialogController::check_input(const std::string& path, bool typed) {
    stop_check();
    state_.input_valid = false;
    state_.info = FileInfo{};
    check_ = CheckInFlight{++last_check_, path, typed};
    clear_file_info_fields();
    ports_.view.set_text(IDC_RECORD_COUNT, reading_text);
    update_convert();
    ports_.files.start_check(check_->id, path);
}

void DialogController::stop_check() {
    if (!check_) return;
    ports_.files.stop_check(check_->id);
    check_.reset();
    ports_.view.set_progress(IDC_PROGRESS, 0);
}

void DialogController::check_progress(CheckId check, int percent) {
    if (!check_ || check != check_->id) return;
    ports_.view.set_text(IDC_RECORD_COUNT, std::string(reading_text) + " " + std::to_string(percent) + "%");
    ports_.view.set_progress(IDC_PROGRESS, percent);
}

// Only the latest check's result is taken; it is judged as the input
// always was, and then the names are checked and Convert enabled or not.
void DialogController::check_finished(CheckId check, const FileInfoResult& result) {
    if (!check_ || check != check_->id) return;
    const CheckInFlight done = std::move(*check_);
    check_.reset();
    ports_.view.set_progress(IDC_PROGRESS, 0);
    take_result(done.path, result, done.typed);
    state_.names_valid = check_names();
    update_convert();
}

void DialogController::take_result(const std::string& path, const FileInfoResult& result, bool typed) {
    DialogView& view = ports_.view;
    if (result.failed()) {
        // Only the error text is meaningful: the other values were never read.
        state_.input_valid = false;
        view.set_text(IDC_INPUT_PATH, "");
        clear_file_info_fields();
        state_.input_path.clear();
        view.show_message(result.error_text, "Can't Convert", MessageIcon::none);
        if (typed) view.set_focus(IDC_INPUT_SELECT);
        return;
    }
    if (result.info.version.substr(0, 3) != "140") {
        state_.input_valid = false;
        clear_file_info_fields();
        view.set_text(IDC_VERSION, result.info.version);
        view.set_text(IDC_RECORD_TYPE, result.info.record_type);
        state_.input_path.clear();
        view.show_message(version_message(result.info.version), "Can't Convert", MessageIcon::none);
        view.set_text(IDC_INPUT_PATH, "");
        view.set_text(IDC_VERSION, "");
        view.set_text(IDC_RECORD_TYPE, "");
        state_.input_path.clear();
        return;
    }
    state_.input_path = path;
    state_.input_valid = true;
    state_.info = result.info;
    show_file_info(result.info);
}

void DialogController::clear_file_info_fields() {
    for (int field : {IDC_VERSION, IDC_RECORD_TYPE, IDC_RECORD_SIZE, IDC_RECORD_COUNT})
        ports_.view.set_text(field, "");
}

void DialogController::show_file_info(const FileInfo& info) {
    DialogView& view = ports_.view;
    view.set_text(IDC_VERSION, info.version);
    view.set_text(IDC_RECORD_TYPE, info.record_type);
    view.set_text(IDC_RECORD_SIZE, std::to_string(info.record_length));
    view.set_text(IDC_RECORD_COUNT, std::to_string(info.record_count));
}

// The name check runs again when the field is left, and when Convert is
// pressed (Enter presses it without leaving the field).
void DialogController::output_changed() {
    ports_.view.set_enabled(IDC_CONVERT, false);
    state_.output_path = ports_.view.text(IDC_OUTPUT_PATH);
    update_convert();
}

void DialogController::output_focus_lost() { recheck_output(); }

void DialogController::recheck_output() {
    const std::string path = put_back_trimmed(IDC_OUTPUT_PATH);
    state_.output_chosen = !path.empty();
    state_.names_valid = state_.output_chosen && check_names();
    update_convert();
}

void DialogController::output_selected(const std::optional<std::string>& chosen) {
    if (chosen) {
        ports_.view.set_text(IDC_OUTPUT_PATH, *chosen);
        state_.output_path = *chosen;
        state_.output_chosen = true;
    } else {
        ports_.view.set_text(IDC_OUTPUT_PATH, "");
        state_.output_path.clear();
        state_.output_chosen = false;
    }
    state_.names_valid = check_names();
    update_convert();
}

std::string DialogController::put_back_trimmed(int control) {
    const std::string text = ports_.view.text(control);
    const std::string trimmed(trim_leading_blanks(text));
    if (trimmed != text) ports_.view.set_text(control, trimmed);
    (control == IDC_INPUT_PATH ? state_.input_path : state_.output_path) = trimmed;
    return trimmed;
}

// The output may be neither the input file, under any spelling of its name,
// nor one of the files that the conversion writes beside the input.
bool DialogController::check_names() {
    const std::string input = put_back_trimmed(IDC_INPUT_PATH);
    const std::string output = put_back_trimmed(IDC_OUTPUT_PATH);
    if (input.empty() || output.empty()) return false;
    FileQueries& files = ports_.files;
    const std::string full_input = path_for_comparison(files, input);
    const std::string full_output = path_for_comparison(files, output);
    if (equal_ignoring_case(full_input, full_output) || files.same_file(input, output)) {
        refuse_output(same_name_message);
        return false;
    }
    const std::string base = base_path_of(full_input);
    for (std::string_view suffix : side_file_suffixes) {
        const std::string side_file = base + std::string(suffix);
        if (equal_ignoring_case(side_file, full_output) || files.same_file(side_file, output)) {
            refuse_output(side_file_message(side_file));
            return false;
        }
    }
    return true;
}

void DialogController::refuse_output(const std::string& message) {
    ports_.view.show_message(message, "Notice", MessageIcon::none);
    ports_.view.set_text(IDC_OUTPUT_PATH, "");
    state_.output_path.clear();
    state_.output_chosen = false;
}

void DialogController::update_convert() {
    ports_.view.set_enabled(IDC_CONVERT, state_.input_valid && state_.output_chosen && state_.names_valid);
}

void DialogController::derive_cs_toggled() {
    DialogView& view = ports_.view;
    const bool derive = view.is_checked(IDC_DERIVE_CS);
    for (int box : {IDC_AJCC_STAGE, IDC_SS1977, IDC_SS2000}) {
        if (!derive) view.set_checked(box, false);
        view.set_enabled(box, derive);
    }
}

void DialogController::convert() {
    if (!(state_.input_valid && state_.output_chosen && state_.names_valid)) return;
    recheck_output();
    if (!state_.names_valid) return;
    DialogView& view = ports_.view;
    const RunnerChoice runner = choose_runner(runner_places(captured_directory_, program_path_),
                                              [this](const std::string& path) { return ports_.files.is_regular_file(path); });
    Launch launch{
        .runner = runner.path,
        .input_path = state_.input_path,
        .output_path = state_.output_path,
        .info = state_.info,
        .stages = StageChoices{.derive = view.is_checked(IDC_DERIVE_CS),
                               .ajcc = view.is_checked(IDC_AJCC_STAGE),
                               .ss1977 = view.is_checked(IDC_SS1977),
                               .ss2000 = view.is_checked(IDC_SS2000)},
    };
    std::string error;
    if (!view.start_process(launch.runner, join_command_line(runner_arguments(launch)), error))
        view.show_message(runner_failure_message(runner, error), "Error", MessageIcon::none);
}

void DialogController::help() { open_help(help_binding_, ports_.help, help_file_); }

void DialogController::about() {
    ports_.view.show_message(about_text(versions_), "About This Program", MessageIcon::information);
}

void DialogController::close() { stop_check(); }

}  // namespace quillmar
