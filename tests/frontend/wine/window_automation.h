// SPDX-License-Identifier: Apache-2.0
// Working another process's dialog as a user would: typing, moving the
// focus, clicking, reading fields, and finding its message boxes. Texts are
// UTF-8, typed and read as the wide characters the dialog holds.
#pragma once

#include <windows.h>

#include <string>

namespace quillmar::gui {

// Waits until the dialog's thread has handled everything sent before.
void sync(HWND window);
void focus(HWND dialog, int control);
// Focuses the edit (which selects its text) and types text character by character.
void type_text(HWND dialog, int control, const std::string& text);
// Clicks a control that opens no window (a check box) and returns once the
// click has been handled: a posted click is only handled after the messages
// sent before it, so a check right after it could still see the old state.
void press(HWND dialog, int control);
// Posts a click and returns at once: for a control that may open a modal window.
void click(HWND dialog, int control);
std::string text_of(HWND window);
std::string class_of(HWND window);
bool is_checked(HWND dialog, int control);

// The top-level window of the process with this class, waiting up to timeout_ms.
HWND find_window(DWORD process_id, const char* class_name, int timeout_ms);

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};
// A message box of the process, waiting up to timeout_ms; nothing when none appears.
MessageBoxSeen find_message_box(DWORD process_id, int timeout_ms);
void dismiss(const MessageBoxSeen& box);

// Saves the window as it appears on the screen as a 24-bit BMP file.
bool save_screenshot(HWND window, const std::string& bmp_path);

}  // namespace quillmar::gui
