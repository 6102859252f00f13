// SPDX-License-Identifier: Apache-2.0
// The main dialog's state and rules, apart from any window system: which
// input file is chosen and what it holds, which output, the stage choices,
// when Convert may be pressed, and what it starts.
#pragma once

#include <optional>
#include <string>

#include "dialog_ports.h"
#include "help_binding.h"
#include "info_blocks.h"

namespace quillmar {

struct DialogState {
    std::string input_path;
    std::string output_path;
    bool input_valid = false;
    bool output_chosen = false;
    bool names_valid = false;
    FileInfo info;                 // of the valid input file
};

struct DialogPorts {
    DialogView& view;
    FileQueries& files;
    HelpSystem& help;
};

class DialogController {
public:
    // captured_directory: the current directory when the program started;
    // program_path: the running program's file, for the help file and the
    // runner beside it.
    DialogController(DialogPorts ports, LibraryVersions versions, std::string captured_directory,
                     std::string_view program_path);

    void open();

    void input_changed();
    void input_focus_lost();
    // The Open dialog's choice, or nothing when it was cancelled.
    void input_selected(const std::optional<std::string>& chosen);

    void output_changed();
    void output_focus_lost();
    // The Save dialog's choice, or nothing when it was cancelled.
    void output_selected(const std::optional<std::string>& chosen);

    // How far the input's check has read, and what it found; on the
    // window's thread. A check that a later choice superseded is ignored.
    void check_progress(CheckId check, int percent);
    void check_finished(CheckId check, const FileInfoResult& result);

    void derive_cs_toggled();
    void convert();
    void help();
    void about();
    // Quit or the close box: a check still reading is stopped, not waited for.
    void close();

    const DialogState& state() const { return state_; }
    bool checking() const { return check_.has_value(); }
    const std::string& help_file() const { return help_file_; }
    const std::string& captured_directory() const { return captured_directory_; }

private:
    // The input's check that is reading now: its number, its file, and
    // whether the name was typed (a refusal then moves the focus to Select).
    struct CheckInFlight {
        CheckId id = 0;
        std::string path;
        bool typed = false;
    };

    void clear_input();
    void check_input(const std::string& path, bool typed);
    void stop_check();
    void take_result(const std::string& path, const FileInfoResult& result, bool typed);
    void clear_file_info_fields();
    void show_file_info(const FileInfo& info);
    bool check_names();
    void recheck_output();
    void refuse_output(const std::string& message);
    void update_convert();
    std::string put_back_trimmed(int control);

    DialogPorts ports_;
    LibraryVersions versions_;
    std::string captured_directory_;
    std::string program_path_;
    std::string help_file_;
    HelpBinding help_binding_;
    DialogState state_;
    std::optional<CheckInFlight> check_;
    CheckId last_check_ = 0;
};

}  // namespace quillmar
