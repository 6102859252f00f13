// SPDX-License-Identifier: Apache-2.0
#include <array>
#include <vector>

#include "file_names.h"
#include "morvelio.h"
#include "vexlin150.h"
#include "win32_ports.h"

namespace quillmar {

bool Win32Files::is_regular_file(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(naaccr::os::native_name(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Win32Files::full_path(const std::string& path) {
    const std::wstring name = naaccr::os::wide_of(path);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return {};
        if (length < buffer.size()) return naaccr::os::utf8_of(std::wstring_view(buffer.data(), length));
        buffer.resize(length + 1);
    }
}

namespace {

struct FileIdentity {
    DWORD volume = 0, index_high = 0, index_low = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identity_of(const std::string& path) {
    const HANDLE file = CreateFileW(naaccr::os::native_name(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!known) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

bool Win32Files::same_file(const std::string& a, const std::string& b) {
    const auto first = identity_of(a);
    if (!first) return false;
    const auto second = identity_of(b);
    return second && *first == *second;
}

LibraryVersions load_library_versions() {
    std::array<char, VEXLIN150_INFO_SIZE> conversion{};
    std::array<char, MORVELIO_INFO_SIZE> file_info{};
    hsGet_morvelio_dll_info(file_info.data());
    using InfoEntry = int(VEXLIN150_CALL*)(char*);
    bool have_conversion_info = false;
    if (const HMODULE library = LoadLibraryW(L"vexlin150.dll")) {
        const auto entry = reinterpret_cast<InfoEntry>(
            reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(1))));
        if (entry) {
            entry(conversion.data());
            have_conversion_info = true;
        }
        FreeLibrary(library);
    }
    LibraryVersions versions = read_versions(conversion, file_info);
    if (!have_conversion_info) versions.conversion_version = "not found";
    return versions;
}

}  // namespace quillmar
