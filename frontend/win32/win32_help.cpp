#include <array>

#include "win32_ports.h"

namespace quillmar {

std::string Win32Help::registered_control_path() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::array<char, MAX_PATH + 1> value{};
    DWORD size = MAX_PATH;   // 260 characters at most; the last byte stays a terminator
    DWORD type = 0;
    const LONG read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    if (type == REG_SZ) return std::string(value.data());
    std::array<char, MAX_PATH + 1> expanded{};
    const DWORD length = ExpandEnvironmentStringsA(value.data(), expanded.data(), MAX_PATH);
    return length > 0 && length <= MAX_PATH ? std::string(expanded.data()) : std::string{};
}

bool Win32Help::load_library(const std::string& path) {
    control_ = LoadLibraryA(path.c_str());
    return control_ != nullptr;
}

bool Win32Help::bind_display() {
    display_ = reinterpret_cast<DisplayEntry>(reinterpret_cast<void*>(GetProcAddress(control_, MAKEINTRESOURCEA(14))));
    return display_ != nullptr;
}

void Win32Help::display(const std::string& help_file) { display_(owner, help_file.c_str(), 0, 0); }

}  // namespace quillmar
