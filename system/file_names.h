// SPDX-License-Identifier: Apache-2.0
// File names as every program here holds them: UTF-8 text, on every system.
// On Windows the system's own names are UTF-16, and the names a caller passes
// through the older char interfaces are in the ANSI code page; these
// functions turn one into the other at the edge, so that a folder named
// "Registro José\Données" or "登録\Łódź" reaches the file it names.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace naaccr::os {

// The system's form of a name given as UTF-8 text (on Windows made whole
// against the current folder).
std::filesystem::path path_of(std::string_view utf8);
// A name as UTF-8 text.
std::string text_of(const std::filesystem::path& path);

// Opens a file named in UTF-8, as std::fopen does (mode "rb", "wb", ...);
// on Windows a file that another program holds for a moment is waited for.
std::FILE* open_file(std::string_view utf8, const char* mode);

// Removes a file (not a folder); false with errno set when it cannot.
bool remove_file(std::string_view utf8);

// The whole content of a file named in UTF-8; nothing when it cannot be read.
std::optional<std::string> read_whole_file(std::string_view utf8);

// A name passed through a char interface of a library (the ANSI code page
// on Windows, the bytes themselves elsewhere) as UTF-8, and back: nothing
// when a character has no form in that code page.
std::string utf8_from_interface(std::string_view text);
std::optional<std::string> interface_from_utf8(std::string_view utf8);
// The same, with a character that has no form there written as '?': for
// messages only, never for a name that is to be opened.
std::string interface_text(std::string_view utf8);

// The SQLite file system (VFS) that takes a database's UTF-8 name whole: on
// Windows the one for names past 260 characters, elsewhere the default.
#if defined(_WIN32)
inline constexpr const char* kDatabaseFileSystem = "win32-longpath";
#else
inline constexpr const char* kDatabaseFileSystem = nullptr;
#endif

#if defined(_WIN32)
std::wstring wide_of(std::string_view utf8);
std::string utf8_of(std::wstring_view wide);
// A file's name as the wide Windows interfaces take it: whole, in UTF-16.
std::wstring native_name(std::string_view utf8);
// Opens an existing file with that access, shared for reading, writing and
// removal, and flags; a hold of another program is waited for. The handle
// (INVALID_HANDLE_VALUE when it cannot be opened, GetLastError saying why).
void* open_existing(std::string_view utf8, unsigned long access, unsigned long flags);
// A binary stream over a handle of the wide interfaces, opened with mode
// ("rb", "w+b"): it then closes the handle. Null when there is no handle, or
// no stream can be made (the handle is closed then).
std::FILE* stream_of_handle(void* handle, const char* mode);
#endif

}  // namespace naaccr::os
