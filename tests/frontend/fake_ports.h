// SPDX-License-Identifier: Apache-2.0
// Fakes of the dialog window, the files and HTML Help for the controller
// tests. The fake window behaves like an edit control in one respect that
// matters: setting the text of a path edit notifies the controller of the
// change, as Windows does.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dialog_controller.h"

namespace quillmar::testing {

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

struct StartedProcess {
    std::string program;
    std::string command_line;
};

class FakeView : public DialogView {
public:
    void set_text(int control, std::string_view text) override;
    std::string text(int control) const override;
    void set_enabled(int control, bool enabled) override { enabled_[control] = enabled; }
    void set_checked(int control, bool checked) override { checked_[control] = checked; }
    bool is_checked(int control) const override;
    void set_focus(int control) override { focus = control; }
    void set_progress(int control, int percent) override { positions[control] = percent; }
    void set_title(std::string_view text) override { title = std::string(text); }
    void show_message(std::string_view text, std::string_view caption, MessageIcon icon) override;
    bool start_process(const std::string& program, const std::string& command_line, std::string& error) override;

    bool enabled(int control) const;
    // What a user does: type into an edit (one change notification), click a box.
    void type(int control, std::string_view text);
    void click_box(int control);

    DialogController* controller = nullptr;
    std::string title;
    int focus = 0;
    std::vector<Message> messages;
    std::vector<StartedProcess> started;
    bool start_fails = false;
    std::map<int, int> positions;   // of the progress bars

private:
    std::map<int, std::string> texts_;
    std::map<int, bool> enabled_;
    std::map<int, bool> checked_;
};

// Windows-like files: absolute paths start with a drive, names compare
// ignoring case; relative paths resolve against the current directory.
class FakeFiles : public FileQueries {
public:
    bool is_regular_file(const std::string& path) override;
    void start_check(CheckId check, const std::string& path) override;
    void stop_check(CheckId check) override;
    std::string full_path(const std::string& path) override;
    bool same_file(const std::string& a, const std::string& b) override;

    // A NAACCR file with the given description.
    void add_file(const std::string& path, FileInfoResult result);
    // A second name (hard link, other share) for an existing file.
    void add_link(const std::string& existing, const std::string& link);
    void add_directory(const std::string& path);

    // What the library finds in the file at path.
    FileInfoResult describe(const std::string& path);
    // The results of the checks still reading reach the window, oldest first.
    void finish_checks(DialogController& controller);

    struct Check {
        CheckId id = 0;
        std::string path;
        bool stop_asked = false;
    };
    std::string current_directory = "C:\\registry";
    std::vector<std::string> described;   // paths passed to the library
    std::vector<Check> checks;            // started and not yet finished, oldest first

private:
    std::string key(const std::string& path);
    std::map<std::string, FileInfoResult> files_;   // by key
    std::map<std::string, std::string> identity_;   // key -> file identity
    std::set<std::string> directories_;
};

class FakeHelp : public HelpSystem {
public:
    std::string registered_control_path() override { return registered; }
    bool load_library(const std::string& path) override;
    bool bind_display() override { ++bind_calls; return has_display_entry; }
    void display(const std::string& help_file) override { displayed.push_back(help_file); }

    std::string registered;
    std::set<std::string> loadable;
    bool has_display_entry = true;
    std::vector<std::string> load_calls;
    int bind_calls = 0;
    std::vector<std::string> displayed;
};

FileInfoResult naaccr_file(std::string version = "140", std::uint32_t count = 12);
FileInfoResult unreadable_file(std::string error_text);

}  // namespace quillmar::testing
