// SPDX-License-Identifier: Apache-2.0
#include "file_names.h"

#include <cerrno>

#include "held_files.h"

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <windows.h>

#  include <cstring>
#endif

namespace naaccr::os {

#if defined(_WIN32)

namespace {

std::wstring wide_in(unsigned code_page, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), n);
    return wide;
}

// The text in a code page; with lost set when a character has no form there.
std::string narrow_in(unsigned code_page, std::wstring_view wide, bool* lost) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    BOOL defaulted = FALSE;
    // UTF-8 takes no default character; every other code page says when it
    // needed one, without a "best fit" that would name another file.
    const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* used = code_page == CP_UTF8 ? nullptr : &defaulted;
    const int n = WideCharToMultiByte(code_page, flags, wide.data(), size, nullptr, 0, nullptr, used);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(code_page, flags, wide.data(), size, text.data(), n, nullptr, used);
    if (lost) *lost = defaulted != FALSE;
    return text;
}

}  // namespace

std::wstring wide_of(std::string_view utf8) { return wide_in(CP_UTF8, utf8); }

std::string utf8_of(std::wstring_view wide) { return narrow_in(CP_UTF8, wide, nullptr); }

std::filesystem::path path_of(std::string_view utf8) {
    const std::wstring name = wide_of(utf8);
    // A relative name is made whole against the current folder: the C
    // runtime's file functions lose their way on a relative name whose whole
    // path passes 260 characters.
    if (name.empty()) return {};
    std::wstring full(GetFullPathNameW(name.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD n = full.empty() ? 0 : GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return std::filesystem::path(name);
    full.resize(n);
    return std::filesystem::path(full);
}

std::string text_of(const std::filesystem::path& path) { return utf8_of(path.native()); }

std::wstring native_name(std::string_view utf8) { return path_of(utf8).native(); }

std::FILE* open_file(std::string_view utf8, const char* mode) {
    const std::wstring name = native_name(utf8);
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    std::FILE* file = nullptr;
    retry_while_held([&] {
        file = _wfopen(name.c_str(), wide_mode.c_str());
        return file != nullptr;
    });
    return file;
}

bool remove_file(std::string_view utf8) {
    const std::wstring name = native_name(utf8);
    return retry_while_held([&] { return _wremove(name.c_str()) == 0; });
}

void* open_existing(std::string_view utf8, unsigned long access, unsigned long flags) {
    const std::wstring name = native_name(utf8);
    HANDLE file = INVALID_HANDLE_VALUE;
    retry_while_held([&] {
        file = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, flags, nullptr);
        return file != INVALID_HANDLE_VALUE;
    });
    return file;
}

std::FILE* stream_of_handle(void* handle, const char* mode) {
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const bool read_only = mode[0] == 'r' && !std::strchr(mode, '+');
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | (read_only ? _O_RDONLY : 0));
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, mode);
    if (!file) _close(fd);
    return file;
}

std::string utf8_from_interface(std::string_view text) { return narrow_in(CP_UTF8, wide_in(CP_ACP, text), nullptr); }

std::optional<std::string> interface_from_utf8(std::string_view utf8) {
    bool lost = false;
    std::string text = narrow_in(CP_ACP, wide_of(utf8), &lost);
    if (lost) return std::nullopt;
    return text;
}

std::string interface_text(std::string_view utf8) { return narrow_in(CP_ACP, wide_of(utf8), nullptr); }

#else

std::filesystem::path path_of(std::string_view utf8) { return std::filesystem::path(std::string(utf8)); }

std::string text_of(const std::filesystem::path& path) { return path.string(); }

std::FILE* open_file(std::string_view utf8, const char* mode) { return std::fopen(std::string(utf8).c_str(), mode); }

bool remove_file(std::string_view utf8) { return std::remove(std::string(utf8).c_str()) == 0; }

std::string utf8_from_interface(std::string_view text) { return std::string(text); }

std::optional<std::string> interface_from_utf8(std::string_view utf8) { return std::string(utf8); }

std::string interface_text(std::string_view utf8) { return std::string(utf8); }

#endif

std::optional<std::string> read_whole_file(std::string_view utf8) {
    std::FILE* file = open_file(utf8, "rb");
    if (!file) return std::nullopt;
    std::string text;
    char piece[4096];
    for (std::size_t n; (n = std::fread(piece, 1, sizeof piece, file)) > 0;) text.append(piece, n);
    const bool read = !std::ferror(file);
    std::fclose(file);
    if (!read) return std::nullopt;
    return text;
}

}  // namespace naaccr::os
