#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <vector>

#include "win32_ports.h"

namespace quillmar {

void Win32View::set_text(int control, std::string_view text) {
    SetDlgItemTextA(dialog, control, std::string(text).c_str());
}

std::string Win32View::text(int control) const {
    const HWND item = GetDlgItem(dialog, control);
    const int length = GetWindowTextLengthA(item);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(item, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void Win32View::set_enabled(int control, bool enabled) { EnableWindow(GetDlgItem(dialog, control), enabled); }

void Win32View::set_checked(int control, bool checked) {
    CheckDlgButton(dialog, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32View::is_checked(int control) const { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }

// Posted, so that the focus moves after the notification being handled.
void Win32View::set_focus(int control) {
    PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, control)), TRUE);
}

void Win32View::set_title(std::string_view title) { SetWindowTextA(dialog, std::string(title).c_str()); }

void Win32View::show_message(std::string_view text, std::string_view caption, MessageIcon icon) {
    const UINT style = MB_OK | (icon == MessageIcon::information ? MB_ICONINFORMATION : 0);
    MessageBoxA(dialog, std::string(text).c_str(), std::string(caption).c_str(), style);
}

bool Win32View::start_process(const std::string& program, const std::string& command_line, std::string& error) {
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The runner is a console program; without a console of its own it shows
    // its progress window and closing message instead of a console window
    // that flashes up and closes with the summary.
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        error = system_error_text(GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::string system_error_text(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 && text ? std::string(text, length) : "Windows error " + std::to_string(code) + ".";
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

namespace {

// The system's file dialog over any file, starting from initial; the path
// chosen, or none when it was cancelled.
std::optional<std::string> run_file_dialog(HWND owner, const char* initial, const char* title, DWORD flags,
                                           bool save) {
    char path[path_buffer_size] = "";
    std::snprintf(path, sizeof path, "%s", initial);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "All files\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrTitle = title;
    dialog.Flags = flags | OFN_HIDEREADONLY;
    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) return std::nullopt;
    return std::string(dialog.lpstrFile);
}

}  // namespace

std::optional<std::string> choose_input_file(HWND owner) {
    return run_file_dialog(owner, "", "Choose NAACCR File For Input", OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, false);
}

std::optional<std::string> choose_output_file(HWND owner) {
    return run_file_dialog(owner, "changed.dat", "Choose or Enter a File Name For NAACCR Output",
                           OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, true);
}

}  // namespace quillmar
