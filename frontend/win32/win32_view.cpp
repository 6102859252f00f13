// SPDX-License-Identifier: Apache-2.0
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <cwchar>
#include <vector>

#include "file_names.h"
#include "win32_ports.h"

namespace quillmar {

void Win32View::set_text(int control, std::string_view text) {
    SetDlgItemTextW(dialog, control, naaccr::os::wide_of(text).c_str());
}

std::string Win32View::text(int control) const {
    const HWND item = GetDlgItem(dialog, control);
    const int length = GetWindowTextLengthW(item);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(item, buffer.data(), static_cast<int>(buffer.size()));
    return naaccr::os::utf8_of(std::wstring_view(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0)));
}

void Win32View::set_enabled(int control, bool enabled) { EnableWindow(GetDlgItem(dialog, control), enabled); }

void Win32View::set_checked(int control, bool checked) {
    CheckDlgButton(dialog, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32View::is_checked(int control) const { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }

// Posted, so that the focus moves after the notification being handled.
void Win32View::set_focus(int control) {
    PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, control)), TRUE);
}

void Win32View::set_progress(int control, int percent) {
    SendDlgItemMessageW(dialog, control, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void Win32View::set_title(std::string_view title) { SetWindowTextW(dialog, naaccr::os::wide_of(title).c_str()); }

void Win32View::show_message(std::string_view text, std::string_view caption, MessageIcon icon) {
    const UINT style = MB_OK | (icon == MessageIcon::information ? MB_ICONINFORMATION : 0);
    MessageBoxW(dialog, naaccr::os::wide_of(text).c_str(), naaccr::os::wide_of(caption).c_str(), style);
}

bool Win32View::start_process(const std::string& program, const std::string& command_line, std::string& error) {
    // The wide command line carries every file name whole, also one that
    // the ANSI code page cannot write.
    std::wstring line = naaccr::os::wide_of(command_line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The runner is a console program; without a console of its own it shows
    // its progress window and closing message instead of a console window
    // that flashes up and closes with the summary.
    if (!CreateProcessW(naaccr::os::wide_of(program).c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        error = system_error_text(GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::string system_error_text(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result = length > 0 && text ? naaccr::os::utf8_of(std::wstring_view(text, length))
                                            : "Windows error " + std::to_string(code) + ".";
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

namespace {

// The system's file dialog over any file, starting from initial; the path
// chosen, or none when it was cancelled.
std::optional<std::string> run_file_dialog(HWND owner, const wchar_t* initial, const wchar_t* title, DWORD flags,
                                           bool save) {
    std::array<wchar_t, path_buffer_size> path{};
    std::wcsncpy(path.data(), initial, path.size() - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"All files\0*.*\0";
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = title;
    dialog.Flags = flags | OFN_HIDEREADONLY;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) return std::nullopt;
    return naaccr::os::utf8_of(path.data());
}

}  // namespace

std::optional<std::string> choose_input_file(HWND owner) {
    return run_file_dialog(owner, L"", L"Choose NAACCR File For Input", OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, false);
}

std::optional<std::string> choose_output_file(HWND owner) {
    return run_file_dialog(owner, L"changed.dat", L"Choose or Enter a File Name For NAACCR Output",
                           OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, true);
}

}  // namespace quillmar
