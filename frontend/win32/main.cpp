// SPDX-License-Identifier: Apache-2.0
// quillmar150: the dialog that checks a NAACCR 14.0 file and starts its
// conversion to 15.0. Each message is handed to the dialog controller.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "dialog_controller.h"
#include "file_names.h"
#include "paths.h"
#include "resource.h"
#include "win32_ports.h"

namespace quillmar {
namespace {

struct Program {
    Win32View view;
    Win32Files files;
    Win32Help help;
    std::optional<DialogController> controller;
};

Program* program = nullptr;

void on_init(HWND dialog) {
    program->view.dialog = dialog;
    program->files.dialog = dialog;
    program->help.owner = dialog;
    for (int edit : {IDC_INPUT_PATH, IDC_OUTPUT_PATH})
        SendDlgItemMessageW(dialog, edit, EM_LIMITTEXT, path_max_length, 0);
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETSTEP, 5, 0);
    program->controller->open();
}

// A check still reading is stopped, not waited for.
void quit(HWND dialog) {
    program->controller->close();
    EndDialog(dialog, 0);
}

void on_command(HWND dialog, int id, int code) {
    DialogController& controller = *program->controller;
    switch (id) {
    case IDC_INPUT_PATH:
        if (code == EN_CHANGE) controller.input_changed();
        if (code == EN_KILLFOCUS) controller.input_focus_lost();
        break;
    case IDC_OUTPUT_PATH:
        if (code == EN_CHANGE) controller.output_changed();
        if (code == EN_KILLFOCUS) controller.output_focus_lost();
        break;
    case IDC_INPUT_SELECT: controller.input_selected(choose_input_file(dialog)); break;
    case IDC_OUTPUT_SELECT: controller.output_selected(choose_output_file(dialog)); break;
    case IDC_DERIVE_CS: controller.derive_cs_toggled(); break;
    case IDC_CONVERT: controller.convert(); break;
    case IDC_HELP_BUTTON: controller.help(); break;
    case IDC_PICTURE:
        if (code == STN_CLICKED) controller.about();
        break;
    case IDC_QUIT: quit(dialog); break;
    default: break;
    }
}

// A file check posts how far it has read, then that it is done.
void on_check_message(UINT message, WPARAM wparam, LPARAM lparam) {
    DialogController& controller = *program->controller;
    const auto check = static_cast<CheckId>(wparam);
    if (message == message_check_progress) {
        controller.check_progress(check, static_cast<int>(lparam));
    } else if (const std::optional<FileInfoResult> result = program->files.take_result(check)) {
        controller.check_finished(check, *result);
    }
}

INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: on_init(dialog); return TRUE;
    case WM_COMMAND:
        if (program->view.dialog) on_command(dialog, LOWORD(wparam), HIWORD(wparam));
        return TRUE;
    case message_check_progress:
    case message_check_done: on_check_message(message, wparam, lparam); return TRUE;
    case WM_CLOSE: quit(dialog); return TRUE;
    default: return FALSE;
    }
}

// The dialog template names this class. Its extra bytes are the dialog
// manager's own (DLGWINDOWEXTRA: 30 in 32-bit builds, more in 64-bit ones).
// A Unicode class and dialog: the edits hold any file name.
void register_dialog_class(HINSTANCE instance) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefDlgProcW;
    window_class.cbWndExtra = DLGWINDOWEXTRA;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUILLMAR));
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = L"quillmar";
    RegisterClassW(&window_class);
}

std::string current_directory() {
    std::array<wchar_t, directory_buffer_size> buffer{};
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    return length > 0 && length < buffer.size() ? naaccr::os::utf8_of(std::wstring_view(buffer.data(), length)) : std::string{};
}

// The running program's file; the command line's first word when Windows
// cannot say.
std::string program_file() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) break;
        if (length < buffer.size()) return naaccr::os::utf8_of(std::wstring_view(buffer.data(), length));
        buffer.resize(buffer.size() * 2);  // a path past 260 characters
    }
    return std::string(first_command_word(naaccr::os::utf8_of(GetCommandLineW())));
}

}  // namespace
}  // namespace quillmar

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace quillmar;
    register_dialog_class(instance);
    const LibraryVersions versions = load_library_versions();
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    Program state;
    state.controller.emplace(DialogPorts{state.view, state.files, state.help}, versions, current_directory(),
                             program_file());
    program = &state;
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, dialog_procedure, 0);
    program = nullptr;
    return static_cast<int>(result);
}
