// SPDX-License-Identifier: Apache-2.0
#include "os_support.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "file_names.h"
#include "held_files.h"

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <process.h>
#  include <sys/stat.h>
#  include <windows.h>
#  include <algorithm>
#  include <cwctype>
#else
#  include <dlfcn.h>
#  include <fcntl.h>
#  if defined(__GLIBC__)
#    include <malloc.h>
#  endif
#  include <sys/mman.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tarvos {
namespace {

volatile std::sig_atomic_t g_interrupt_signal = 0;

extern "C" void on_interrupt(int signal_number) { g_interrupt_signal = signal_number; }

fs::path normalised(const std::string& name) {
    std::error_code ec;
    const fs::path path = naaccr::os::path_of(name);
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec) p = fs::absolute(path, ec).lexically_normal();
    return p;
}

// Twelve hexadecimal digits no other process can foresee.
std::string random_text() {
    static constexpr char kHex[] = "0123456789abcdef";
    std::random_device source;
    std::string text;
    for (int i = 0; i < 3; ++i)
        for (unsigned v = source(), k = 0; k < 4; ++k, v >>= 4) text += kHex[v & 15];
    return text;
}

}  // namespace

LibraryPath library_path_of(const std::string& folder, const std::string& file_name) {
    if (std::optional<std::string> whole = naaccr::os::interface_from_utf8(folder + "/" + file_name)) return {*whole, {}};
    return {naaccr::os::interface_from_utf8(file_name).value_or(file_name), folder};
}

CurrentFolder::CurrentFolder(const std::string& folder) {
    if (folder.empty()) return;
    std::error_code ec;
    earlier_ = fs::current_path(ec);
    if (!ec) fs::current_path(naaccr::os::path_of(folder), ec);
    ok_ = changed_ = !ec;
}

CurrentFolder::~CurrentFolder() {
    std::error_code ec;
    if (changed_) fs::current_path(earlier_, ec);
}

std::string unforeseeable_run_id() { return std::to_string(process_id()) + "-" + random_text(); }

bool create_private_folder(const std::string& path) {
#if defined(_WIN32)
    if (CreateDirectoryW(naaccr::os::native_name(path).c_str(), nullptr)) return true;
    errno = GetLastError() == ERROR_ALREADY_EXISTS ? EEXIST : GetLastError() == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
    return false;
#else
    return mkdir(path.c_str(), 0700) == 0;
#endif
}

bool interrupt_requested() { return g_interrupt_signal != 0; }

void request_interrupt() { g_interrupt_signal = SIGINT; }

int interrupted_exit_code() { return 128 + (g_interrupt_signal ? static_cast<int>(g_interrupt_signal) : SIGINT); }

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    const fs::path pa = naaccr::os::path_of(a), pb = naaccr::os::path_of(b);
    if (fs::exists(pa, ec) && fs::exists(pb, ec)) {
        const bool same = fs::equivalent(pa, pb, ec);
        if (!ec) return same;
    }
#if defined(_WIN32)
    std::wstring wa = normalised(a).wstring(), wb = normalised(b).wstring();
    auto lower = [](std::wstring& s) { std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return std::towlower(c); }); };
    lower(wa);
    lower(wb);
    return wa == wb;
#else
    return normalised(a) == normalised(b);
#endif
}

#if defined(_WIN32)

namespace {
BOOL WINAPI on_console_event(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        g_interrupt_signal = SIGINT;
        return TRUE;
    }
    return FALSE;
}
}  // namespace

bool stderr_is_terminal() { return _isatty(_fileno(stderr)) != 0; }

void install_interrupt_handlers() {
    SetConsoleCtrlHandler(on_console_event, TRUE);
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
}

std::FILE* create_new_file(const std::string& path) {
    const int fd = _wopen(naaccr::os::native_name(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
}

std::FILE* create_scratch_file(const std::string& folder) {
    const std::string path = (folder.empty() ? std::string(".") : folder) + "/scratch-" + random_text() + ".tmp";
    const HANDLE h = CreateFileW(naaccr::os::native_name(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) errno = GetLastError() == ERROR_DISK_FULL ? ENOSPC : EACCES;
    return naaccr::os::stream_of_handle(h, "w+b");
}

void start_writeback(std::FILE*, std::uint64_t, std::uint64_t) {}

void start_writeback(const std::string&) {}

void reserve_room(std::FILE*, std::uint64_t) {}

void release_room_past(std::FILE*, std::uint64_t) {}

bool flush_to_disk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool flush_written_data(std::FILE* file) {
    // The handle itself: _commit would hold the C runtime's lock on the
    // descriptor, and the writer's next block with it, for the whole flush.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle)) return true;
    errno = EIO;
    return false;
}

std::string flush_file(const std::string& path) {
    // A virus scanner looking at the new file may hold it without sharing.
    const HANDLE file = naaccr::os::open_existing(path, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) return naaccr::os::failure_reason(EACCES);
    const bool flushed = FlushFileBuffers(file) != 0;
    const DWORD error = GetLastError();
    CloseHandle(file);
    return flushed ? std::string() : "Windows error " + std::to_string(error);
}

std::string flush_folder(const std::string&) { return {}; }

std::string replace_file(const std::string& from, const std::string& to) {
    const std::wstring source = naaccr::os::native_name(from), target = naaccr::os::native_name(to);
    // Either name may be held for a moment by a virus scanner or an indexer.
    if (naaccr::os::retry_while_held([&] {
            return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        }))
        return {};
    return naaccr::os::failure_reason(EACCES);
}

void share_one_heap() {}  // the process heap is one already

void give_back_free_memory() {}  // the process heap decommits what it frees

long process_id() { return static_cast<long>(_getpid()); }

void warm_collaborative_stage() {
    const HMODULE library = GetModuleHandleA("cstage0205.dll");
    if (!library) return;
    using Select = int(__cdecl*)(const char*, const char*, const char*);
    if (const auto fn = reinterpret_cast<Select>(reinterpret_cast<void*>(GetProcAddress(library, "CStage_get_schema_number"))))
        fn("C619", "8140", "   ");
}

std::string collaborative_stage_text(const char* entry_point) {
    const HMODULE library = GetModuleHandleA("cstage0205.dll");
    if (!library) return {};
    using Text = const char*(__cdecl*)(void);
    const auto fn = reinterpret_cast<Text>(reinterpret_cast<void*>(GetProcAddress(library, entry_point)));
    const char* text = fn ? fn() : nullptr;
    return text ? std::string(text) : std::string();
}

#else

bool stderr_is_terminal() { return isatty(STDERR_FILENO) != 0; }

void share_one_heap() {
#  if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
#  endif
}

void give_back_free_memory() {
#  if defined(__GLIBC__)
    malloc_trim(0);
#  endif
}

void install_interrupt_handlers() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
    // A closed pipe on standard output must not kill the runner halfway.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
    // Nor must a file-size limit: the write then fails with EFBIG and the
    // conversion is abandoned cleanly instead of leaving its partial files.
    sigaction(SIGXFSZ, &ignore, nullptr);
}

std::FILE* create_new_file(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "wb");
    if (!f) close(fd);
    return f;
}

std::FILE* create_scratch_file(const std::string& folder) {
    const std::string where = folder.empty() ? std::string(".") : folder;
    int fd = -1;
#  if defined(__linux__) && defined(O_TMPFILE)
    fd = open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#  endif
    if (fd < 0) {
        // No nameless files here: a name that goes as soon as it is made.
        const std::string path = where + "/.scratch-" + random_text();
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) return nullptr;
        unlink(path.c_str());
    }
    std::FILE* f = fdopen(fd, "w+b");
    if (!f) close(fd);
    return f;
}

void reserve_room(std::FILE* file, std::uint64_t bytes) {
#  if defined(__linux__)
    if (bytes > 0) (void)fallocate(fileno(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes));
#  else
    (void)file, (void)bytes;
#  endif
}

void release_room_past(std::FILE* file, std::uint64_t size) {
#  if defined(__linux__)
    // The size stays: only the blocks set aside past it are freed. A refusal
    // leaves them to be freed with the file.
    (void)ftruncate(fileno(file), static_cast<off_t>(size));
#  else
    (void)file, (void)size;
#  endif
}

void start_writeback(std::FILE* file, std::uint64_t offset, std::uint64_t length) {
#  if defined(__linux__)
    // Only a hint: errors show in the final flush.
    sync_file_range(fileno(file), static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#  else
    (void)file, (void)offset, (void)length;
#  endif
}

void start_writeback(const std::string& path) {
#  if defined(__linux__)
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0) return;
    sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    close(fd);
#  else
    (void)path;
#  endif
}

bool flush_to_disk(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool flush_written_data(std::FILE* file) { return fdatasync(fileno(file)) == 0; }

namespace {
std::string flush_opened(int fd) {
    if (fd < 0) return std::strerror(errno);
    const bool flushed = fsync(fd) == 0;
    const int error = errno;
    close(fd);
    return flushed ? std::string() : std::strerror(error);
}
}  // namespace

std::string flush_file(const std::string& path) {
    return flush_opened(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
}

std::string flush_folder(const std::string& folder) {
    return flush_opened(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

std::string replace_file(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return {};
    return std::strerror(errno);
}

long process_id() { return static_cast<long>(getpid()); }

namespace {

#  if defined(__GLIBC__)
// What the Collaborative Stage tables take of the heap, about: they are
// built a few bytes at a time, and each first touch of one of their pages is
// a fault. On a virtual machine a fault is a trip to the host (11 µs each on
// the machines measured, 30 ms for the tables) while the first record waits
// for them. Their room is asked of the system in one step instead.
constexpr std::size_t kTablesRoom = std::size_t{12} << 20;
constexpr std::size_t kPage = 4096;
#    ifndef MADV_POPULATE_WRITE
#      define MADV_POPULATE_WRITE 23
#    endif

// Leaves the tables' room in the heap with its pages in place: allocated
// from the heap proper (not mapped apart), its pages filled in one call, and
// freed back to the heap, which keeps it until the tables are built. A
// kernel without that call (before Linux 5.14) refuses it, and the pages come
// one at a time as before.
void ready_heap_for_tables() {
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * kTablesRoom));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kTablesRoom));
    void* room = std::malloc(kTablesRoom);
    if (!room) return;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(room) + kPage - 1) & ~std::uintptr_t{kPage - 1};
    madvise(reinterpret_cast<void*>(first), kTablesRoom - 2 * kPage, MADV_POPULATE_WRITE);
    std::free(room);
}

// Once the tables are built, the heap gives back its free top and maps its
// large blocks apart again, at the limits glibc starts a process with (fixed
// from now on, where glibc would otherwise raise them as large blocks are
// freed).
void settle_heap() {
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
}
#  else
void ready_heap_for_tables() {}
void settle_heap() {}
#  endif

}  // namespace

void warm_collaborative_stage() {
    using Select = int (*)(const char*, const char*, const char*);
    const auto fn = reinterpret_cast<Select>(dlsym(RTLD_DEFAULT, "CStage_get_schema_number"));
    if (!fn) return;
    ready_heap_for_tables();
    fn("C619", "8140", "   ");
    settle_heap();
}

std::string collaborative_stage_text(const char* entry_point) {
    // The conversion library is linked against the Collaborative Stage
    // library, so its entry points are in the process's global scope.
    using Text = const char* (*)();
    const auto fn = reinterpret_cast<Text>(dlsym(RTLD_DEFAULT, entry_point));
    const char* text = fn ? fn() : nullptr;
    return text ? std::string(text) : std::string();
}

#endif

PendingOutput create_pending_output(const std::string& folder, const std::string& temporary_name) {
    PendingOutput out;
#if defined(__linux__) && defined(O_TMPFILE)
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        // O_TMPFILE ignores the umask's effect on the mode at creation: apply it.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        out.file = fdopen(fd, "wb");
        if (!out.file) close(fd);
        out.anonymous = out.file != nullptr;
        if (out.file) return out;
    }
#else
    (void)folder;
#endif
    out.file = create_new_file(temporary_name);
    return out;
}

bool name_pending_output(const PendingOutput& output, const std::string& temporary_name) {
    if (!output.anonymous) return true;
#if defined(__linux__) && defined(O_TMPFILE)
    const std::string self = "/proc/self/fd/" + std::to_string(fileno(output.file));
    return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_name.c_str(), AT_SYMLINK_FOLLOW) == 0;
#else
    (void)temporary_name;
    return false;
#endif
}

}  // namespace tarvos
