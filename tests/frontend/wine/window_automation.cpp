// SPDX-License-Identifier: Apache-2.0
#include "window_automation.h"

#include <cstdio>
#include <vector>

#include "file_names.h"

namespace quillmar::gui {

void sync(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
}

namespace {

// The window that has the focus in the dialog's thread.
HWND focus_of(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) ? info.hwndFocus : nullptr;
}

}  // namespace

// A sent message is handled before the posted ones that wait in the queue, so
// sync alone does not show that a posted message was handled: the focus is
// watched until it leaves where it was (for the control, or for a message
// box that leaving the field brought up).
void focus(HWND dialog, int control) {
    const HWND target = GetDlgItem(dialog, control);
    const HWND before = focus_of(dialog);
    PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    for (int waited = 0; before != target && focus_of(dialog) == before && waited < 5000; waited += 10) Sleep(10);
    sync(dialog);
}

// The posted characters are all handled once the edit holds the whole text.
void type_text(HWND dialog, int control, const std::string& text) {
    focus(dialog, control);
    const HWND edit = GetDlgItem(dialog, control);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(edit, EM_SETSEL, 0, -1, SMTO_NORMAL, 5000, &result);
    for (wchar_t c : naaccr::os::wide_of(text)) PostMessageW(edit, WM_CHAR, c, 1);
    for (int waited = 0; text_of(edit) != text && waited < 5000; waited += 10) Sleep(10);
    sync(dialog);
}

void press(HWND dialog, int control) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, control), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result);
    sync(dialog);
}

void click(HWND dialog, int control) {
    PostMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0);
}

std::string text_of(HWND window) {
    wchar_t buffer[4096] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 5000, &copied))
        return "<no answer>";
    return naaccr::os::utf8_of(std::wstring_view(buffer, copied));
}

std::string class_of(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return naaccr::os::utf8_of(std::wstring_view(name, length > 0 ? length : 0));
}

bool is_checked(HWND dialog, int control) {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, control), BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state);
    return state == BST_CHECKED;
}

namespace {

struct Search {
    DWORD process_id;
    const char* class_name;
    HWND found = nullptr;
};

BOOL CALLBACK match_window(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.process_id || !IsWindowVisible(window) || class_of(window) != search.class_name) return TRUE;
    search.found = window;
    return FALSE;
}

HWND poll(DWORD process_id, const char* class_name, int timeout_ms) {
    for (int waited = 0;; waited += 50) {
        Search search{process_id, class_name};
        EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
        if (search.found || waited >= timeout_ms) return search.found;
        Sleep(50);
    }
}

BOOL CALLBACK longest_static(HWND child, LPARAM parameter) {
    auto& text = *reinterpret_cast<std::string*>(parameter);
    if (class_of(child) == "Static") {
        const std::string candidate = text_of(child);
        if (candidate.size() > text.size()) text = candidate;
    }
    return TRUE;
}

}  // namespace

HWND find_window(DWORD process_id, const char* class_name, int timeout_ms) {
    return poll(process_id, class_name, timeout_ms);
}

MessageBoxSeen find_message_box(DWORD process_id, int timeout_ms) {
    MessageBoxSeen box;
    box.window = poll(process_id, "#32770", timeout_ms);
    if (!box.window) return box;
    Sleep(100);   // let it finish drawing its text
    box.caption = text_of(box.window);
    EnumChildWindows(box.window, longest_static, reinterpret_cast<LPARAM>(&box.text));
    return box;
}

void dismiss(const MessageBoxSeen& box) {
    PostMessageA(box.window, WM_COMMAND, IDOK, 0);
    for (int waited = 0; IsWindow(box.window) && waited < 5000; waited += 50) Sleep(50);
}

bool save_screenshot(HWND window, const std::string& bmp_path) {
    RECT area{};
    if (!GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;   // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD row = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = row * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + size;
    info.bmiHeader.biSizeImage = size;
    bool written = false;
    if (std::FILE* file = naaccr::os::open_file(bmp_path, "wb")) {
        written = std::fwrite(&header, sizeof header, 1, file) == 1 &&
                  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file) == 1 &&
                  std::fwrite(bits, 1, size, file) == size;
        std::fclose(file);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

}  // namespace quillmar::gui
