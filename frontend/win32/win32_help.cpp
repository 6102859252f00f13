// SPDX-License-Identifier: Apache-2.0
#include <array>
#include <optional>

#include "file_names.h"
#include "win32_ports.h"

namespace quillmar {

std::string Win32Help::registered_control_path() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::array<wchar_t, MAX_PATH + 1> value{};
    DWORD size = MAX_PATH * sizeof(wchar_t);  // 260 characters at most; the last stays a terminator
    DWORD type = 0;
    const LONG read = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    if (type == REG_SZ) return naaccr::os::utf8_of(value.data());
    std::array<wchar_t, MAX_PATH + 1> expanded{};
    const DWORD length = ExpandEnvironmentStringsW(value.data(), expanded.data(), MAX_PATH);
    return length > 0 && length <= MAX_PATH ? naaccr::os::utf8_of(expanded.data()) : std::string{};
}

bool Win32Help::load_library(const std::string& path) {
    control_ = LoadLibraryW(naaccr::os::wide_of(path).c_str());
    return control_ != nullptr;
}

bool Win32Help::bind_display() {
    display_ = reinterpret_cast<DisplayEntry>(reinterpret_cast<void*>(GetProcAddress(control_, MAKEINTRESOURCEA(14))));
    // The wide entry beside it (ordinal 15) opens a help file whose folder
    // the ANSI code page cannot name.
    display_wide_ = reinterpret_cast<WideDisplayEntry>(
        reinterpret_cast<void*>(GetProcAddress(control_, MAKEINTRESOURCEA(15))));
    return display_ != nullptr;
}

void Win32Help::display(const std::string& help_file) {
    if (const std::optional<std::string> ansi = naaccr::os::interface_from_utf8(help_file))
        display_(owner, ansi->c_str(), 0, 0);
    else if (display_wide_)
        display_wide_(owner, naaccr::os::wide_of(help_file).c_str(), 0, 0);
}

}  // namespace quillmar
