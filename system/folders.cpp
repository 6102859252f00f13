// SPDX-License-Identifier: Apache-2.0
#include "folders.h"

#include <filesystem>
#include <system_error>

#include "file_names.h"
#include "held_files.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace naaccr::os {

#if defined(_WIN32)

namespace {

FolderEntry::Kind kind_of(const WIN32_FIND_DATAW& found) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderEntry::Kind::link;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FolderEntry::Kind::folder;
    return FolderEntry::Kind::file;
}

// Calls each(found) for every entry of the folder (named whole, in UTF-16).
template <typename Each>
bool for_each_entry(const std::wstring& folder, Each each) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") each(found);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

bool remove_entry(const std::wstring& path, FolderEntry::Kind kind);

bool remove_folder_of(const std::wstring& folder) {
    bool removed = true;
    for_each_entry(folder, [&](const WIN32_FIND_DATAW& found) {
        removed = remove_entry(folder + L"\\" + found.cFileName, kind_of(found)) && removed;
    });
    return retry_while_held([&] { return RemoveDirectoryW(folder.c_str()) != 0; }) && removed;
}

bool remove_entry(const std::wstring& path, FolderEntry::Kind kind) {
    if (kind == FolderEntry::Kind::folder) return remove_folder_of(path);
    // A link to a folder goes as a folder does, its target untouched.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return retry_while_held([&] { return RemoveDirectoryW(path.c_str()) != 0; });
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return retry_while_held([&] { return DeleteFileW(path.c_str()) != 0; });
}

}  // namespace

std::vector<FolderEntry> folder_entries(std::string_view folder) {
    std::vector<FolderEntry> entries;
    for_each_entry(native_name(folder.empty() ? "." : folder), [&](const WIN32_FIND_DATAW& found) {
        entries.push_back({utf8_of(found.cFileName), kind_of(found)});
    });
    return entries;
}

namespace {

// Where the first folder below the root of a whole name starts: after "C:\"
// or after "\\server\share\".
std::size_t below_root(const std::wstring& whole) {
    std::size_t at = 0;
    const int separators = whole.rfind(L"\\\\", 0) == 0 ? 4 : 1;
    for (int i = 0; i < separators && at != std::wstring::npos; ++i) at = whole.find(L'\\', at + (i ? 1 : 0));
    return at == std::wstring::npos ? whole.size() : at + 1;
}

}  // namespace

bool make_folders(std::string_view folder) {
    const std::wstring whole = native_name(folder);
    // Every folder from the first below the root on, made where missing.
    for (std::size_t at = whole.find(L'\\', below_root(whole)); ; at = whole.find(L'\\', at + 1)) {
        const std::wstring part = whole.substr(0, at);
        if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            const DWORD attributes = GetFileAttributesW(part.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
        }
        if (at == std::wstring::npos) return true;
    }
}

bool remove_tree(std::string_view folder) {
    const std::wstring whole = native_name(folder);
    if (GetFileAttributesW(whole.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    return remove_folder_of(whole);
}

#else

std::vector<FolderEntry> folder_entries(std::string_view folder) {
    std::vector<FolderEntry> entries;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(path_of(folder.empty() ? "." : folder), ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::filesystem::file_status status = it->symlink_status(ec);
        const FolderEntry::Kind kind = std::filesystem::is_symlink(status)        ? FolderEntry::Kind::link
                                       : std::filesystem::is_directory(status)    ? FolderEntry::Kind::folder
                                       : std::filesystem::is_regular_file(status) ? FolderEntry::Kind::file
                                                                                  : FolderEntry::Kind::other;
        entries.push_back({text_of(it->path().filename()), kind});
    }
    return entries;
}

bool make_folders(std::string_view folder) {
    std::error_code ec;
    std::filesystem::create_directories(path_of(folder), ec);
    return !ec;
}

bool remove_tree(std::string_view folder) {
    std::error_code ec;
    std::filesystem::remove_all(path_of(folder), ec);
    return !ec;
}

#endif

}  // namespace naaccr::os
