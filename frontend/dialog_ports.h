// SPDX-License-Identifier: Apache-2.0
// The dialog controller's view of the world outside it: the dialog window,
// the files on disk (with the file-information library), and Windows HTML
// Help. The Win32 layer implements these; the tests implement them as fakes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

// The longest path the dialog takes: as many characters as the file
// information record carries in UTF-8 (up to three bytes each), so that a
// file on a deep network share can be chosen as well as one nearby. The
// edits are limited to that many characters.
inline constexpr std::size_t path_max_length = 767;
inline constexpr std::size_t path_buffer_size = path_max_length + 1;
// The current directory captured at start: up to 1023 characters.
inline constexpr std::size_t directory_buffer_size = 1024;

enum class MessageIcon { none, information };

class DialogView {
public:
    virtual ~DialogView() = default;
    virtual void set_text(int control, std::string_view text) = 0;
    virtual std::string text(int control) const = 0;
    virtual void set_enabled(int control, bool enabled) = 0;
    virtual void set_checked(int control, bool checked) = 0;
    virtual bool is_checked(int control) const = 0;
    virtual void set_focus(int control) = 0;
    // Moves a progress bar (range 0 to 100) to percent.
    virtual void set_progress(int control, int percent) = 0;
    virtual void set_title(std::string_view title) = 0;
    // A message box with an OK button.
    virtual void show_message(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
    // Starts program with the whole command line, without waiting for it and
    // inheriting the environment. On failure returns false with the system's
    // reason in error.
    virtual bool start_process(const std::string& program, const std::string& command_line,
                               std::string& error) = 0;
};

// What the file-information library says about an input file.
struct FileInfo {
    std::string record_type;       // one letter: 'A', 'C', 'I' or 'M'
    std::string version;           // NAACCR version, e.g. "140"
    int line_end_code = 0;         // 2 for a carriage return, plus 1 for a line feed
    std::uint32_t record_length = 0;
    std::uint32_t record_count = 0;
};

struct FileInfoResult {
    int status = 0;                // 0 or below: success; above 0: failure
    std::string error_text;        // meaningful on failure
    FileInfo info;
    bool failed() const { return status > 0; }
};

// A check of an input file is known by the number it was started under.
using CheckId = std::uint32_t;

class FileQueries {
public:
    virtual ~FileQueries() = default;
    // True when path names an existing file that is not a directory.
    virtual bool is_regular_file(const std::string& path) = 0;
    // Starts describing an input file through the file-information library
    // away from the window's thread, which never waits for the reading (a
    // registrar's file may take minutes). How far it has read and what it
    // found come back to the controller's check_progress and check_finished,
    // on the window's thread, under the check's number.
    virtual void start_check(CheckId check, const std::string& path) = 0;
    // Asks a check to stop reading soon; whatever it still sends is ignored.
    virtual void stop_check(CheckId check) = 0;
    // The absolute path with "." and ".." resolved; empty when it cannot be had.
    virtual std::string full_path(const std::string& path) = 0;
    // True when both paths exist and are one file (same volume and file index).
    virtual bool same_file(const std::string& a, const std::string& b) = 0;
};

class HelpSystem {
public:
    virtual ~HelpSystem() = default;
    // The HTML Help control's file as registered under the classes root
    // (environment variables expanded); empty when there is no entry.
    virtual std::string registered_control_path() = 0;
    // Loads the HTML Help control from a path or a bare file name.
    virtual bool load_library(const std::string& path) = 0;
    // Looks up the display entry point (ordinal 14) in the loaded control.
    virtual bool bind_display() = 0;
    // Displays the help file in the dialog's window (command 0).
    virtual void display(const std::string& help_file) = 0;
};

}  // namespace quillmar
