// The dialog controller's ports on Windows: the dialog window, the files
// (with the file-information library), HTML Help, the common file dialogs
// and the libraries' information blocks.
#pragma once

#include <windows.h>

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
    void set_title(std::string_view title) override;
    void show_message(std::string_view text, std::string_view caption, MessageIcon icon) override;
    bool start_process(const std::string& program, const std::string& command_line, std::string& error) override;

    HWND dialog = nullptr;
};

class Win32Files : public FileQueries {
public:
    bool is_regular_file(const std::string& path) override;
    FileInfoResult describe(const std::string& path) override;
    std::string full_path(const std::string& path) override;
    bool same_file(const std::string& a, const std::string& b) override;
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
