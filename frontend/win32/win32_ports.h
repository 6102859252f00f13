// SPDX-License-Identifier: Apache-2.0
// The dialog controller's ports on Windows: the dialog window, the files
// (with the file-information library), HTML Help, the common file dialogs
// and the libraries' information blocks.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "dialog_ports.h"
#include "info_blocks.h"

namespace quillmar {

class Win32View : public DialogView {
public:
    void set_text(int control, std::string_view text) override;
    std::string text(int control) const override;
    void set_enabled(int control, bool enabled) override;
    void set_checked(int control, bool checked) override;
    bool is_checked(int control) const override;
    void set_focus(int control) override;
    void set_progress(int control, int percent) override;
    void set_title(std::string_view title) override;
    void show_message(std::string_view text, std::string_view caption, MessageIcon icon) override;
    bool start_process(const std::string& program, const std::string& command_line, std::string& error) override;

    HWND dialog = nullptr;
};

// What an input's check posts to the dialog: WPARAM is the check's number,
// LPARAM the whole percent read (progress) or nothing (done: the result waits
// in Win32Files::take_result).
inline constexpr UINT message_check_progress = WM_APP + 1;
inline constexpr UINT message_check_done = WM_APP + 2;

struct RunningCheck;   // one check's thread, reading and result

class Win32Files : public FileQueries {
public:
    Win32Files() = default;
    Win32Files(const Win32Files&) = delete;
    Win32Files& operator=(const Win32Files&) = delete;
    // Stops the checks still reading; a thread that does not end within a
    // second is left to the end of the process.
    ~Win32Files() override;

    bool is_regular_file(const std::string& path) override;
    void start_check(CheckId check, const std::string& path) override;
    void stop_check(CheckId check) override;
    std::string full_path(const std::string& path) override;
    bool same_file(const std::string& a, const std::string& b) override;

    // The result of a check that posted message_check_done, taken once.
    std::optional<FileInfoResult> take_result(CheckId check);

    HWND dialog = nullptr;   // where the checks post their messages

private:
    std::map<CheckId, std::shared_ptr<RunningCheck>> checks_;   // started, result not yet taken
};

class Win32Help : public HelpSystem {
public:
    std::string registered_control_path() override;
    bool load_library(const std::string& path) override;
    bool bind_display() override;
    void display(const std::string& help_file) override;

    HWND owner = nullptr;

private:
    HMODULE control_ = nullptr;
    using DisplayEntry = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    using WideDisplayEntry = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    DisplayEntry display_ = nullptr;
    WideDisplayEntry display_wide_ = nullptr;
};

// The Open and Save dialogs; nothing when cancelled.
std::optional<std::string> choose_input_file(HWND owner);
std::optional<std::string> choose_output_file(HWND owner);

// Both libraries' information blocks.
LibraryVersions load_library_versions();

// The system's text for an error code.
std::string system_error_text(DWORD code);

}  // namespace quillmar
