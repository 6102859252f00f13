// SPDX-License-Identifier: Apache-2.0
#include "leftovers.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "file_checks.h"
#include "file_names.h"
#include "folders.h"
#include "os_support.h"
#include "placement.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <signal.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tarvos {
namespace {

std::optional<long> digits_at(std::string_view text) {
    long value = 0;
    std::size_t n = 0;
    for (; n < text.size() && n < 10 && text[n] >= '0' && text[n] <= '9'; ++n) value = value * 10 + (text[n] - '0');
    if (n == 0) return std::nullopt;
    return value;
}

}  // namespace

std::optional<long> run_of_temporary_name(std::string_view name) {
    constexpr std::string_view kMark = ".tarvos-";
    if (name.substr(0, kMark.size()) == kMark) {
        const std::string_view rest = name.substr(kMark.size());
        const std::optional<long> pid = digits_at(rest);
        const std::size_t after = rest.find_first_not_of("0123456789");
        if (pid && after != std::string_view::npos && rest[after] == '-') return pid;
        return std::nullopt;
    }
    const std::size_t mark = name.rfind(kMark);
    if (name.empty() || name[0] != '.' || mark == std::string_view::npos || mark == 0) return std::nullopt;
    const std::string_view rest = name.substr(mark + kMark.size());
    const std::optional<long> pid = digits_at(rest);
    const std::size_t after = rest.find_first_not_of("0123456789");
    if (pid && after != std::string_view::npos && rest.substr(after) == ".part") return pid;
    return std::nullopt;
}

bool process_exists(long pid) {
#if defined(_WIN32)
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
#else
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

int remove_leftovers(const std::string& folder) {
    // A private folder that a journal still names holds the files of an
    // interrupted placement: the next run of those results completes it.
    const std::vector<std::string> kept = folders_named_by_journals(folder);
    int removed = 0;
    using Kind = naaccr::os::FolderEntry::Kind;
    for (const naaccr::os::FolderEntry& entry : naaccr::os::folder_entries(folder)) {
        const std::optional<long> pid = run_of_temporary_name(entry.name);
        if (!pid || *pid == process_id() || process_exists(*pid)) continue;
        const std::string path = in_folder(folder, entry.name);
        if (entry.kind == Kind::file && naaccr::os::remove_file(path)) {
            ++removed;
        } else if (entry.kind == Kind::folder && std::find(kept.begin(), kept.end(), entry.name) == kept.end() &&
                   naaccr::os::remove_tree(path)) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace tarvos
