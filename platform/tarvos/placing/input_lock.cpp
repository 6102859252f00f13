// SPDX-License-Identifier: Apache-2.0
#include "input_lock.h"

#include "file_checks.h"
#include "file_names.h"
#include "held_files.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <cerrno>
#  include <cstring>
#  include <fcntl.h>
#  include <sys/file.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace tarvos {

std::string input_in_use_message(const std::string& input) {
    return "\"" + input + "\" is being converted by another run; wait until that run has finished";
}

std::string results_lock_of(const std::string& input) {
    const std::string base = beside_files(input).base;
    return folder_of(base) + "." + file_name_of(base) + ".tarvos-lock";
}

namespace {
std::string results_in_use_message(const std::string& input) {
    return "the results of \"" + input + "\" (\"" + beside_files(input).database +
           "\" and the reports beside it) are being written by another run; wait until that run has finished";
}
}  // namespace

#if defined(_WIN32)

namespace {
// Windows byte-range locks are mandatory: a locked range cannot be read
// through any other handle, this process's own included. One byte far past
// the end of any real file is locked, so reading the records is never hindered.
constexpr DWORD kLockOffsetHigh = 0x40000000;
}  // namespace

bool InputLock::acquire(const std::string& input) {
    release();
    // Another program may hold the input without sharing for a moment.
    const HANDLE file = naaccr::os::open_existing(input, GENERIC_READ, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) return true;
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        handle_ = file;
        return true;
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    return error != ERROR_LOCK_VIOLATION && error != ERROR_SHARING_VIOLATION && error != ERROR_IO_PENDING;
}

void InputLock::release() {
    if (handle_ == kNone) return;
    // Closing the handle ends its locks.
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = kNone;
}

std::string ResultsLock::acquire(const std::string& input) {
    release();
    path_ = results_lock_of(input);
    // Opened for no sharing: a second run cannot open it while this one
    // holds it; removed when the last handle closes, also of a killed run.
    const HANDLE file = CreateFileW(naaccr::os::native_name(path_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                    nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        handle_ = file;
        return {};
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? results_in_use_message(input) : std::string();
}

void ResultsLock::release() {
    if (!handle_) return;
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

#else

bool InputLock::acquire(const std::string& input) {
    release();
    const int fd = open(input.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return true;
    // flock belongs to this open file, not to the process's other
    // descriptors of the input, which the run opens and closes freely.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        handle_ = fd;
        return true;
    }
    const int error = errno;
    close(fd);
    return error != EWOULDBLOCK;
}

void InputLock::release() {
    if (handle_ == kNone) return;
    close(handle_);
    handle_ = kNone;
}

std::string ResultsLock::acquire(const std::string& input) {
    release();
    path_ = results_lock_of(input);
    // A run that ends removes the file while it holds the lock; one that
    // opened the file just before finds it no longer under the name, and
    // tries the file that carries the name now.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
        if (fd < 0) {
            if (errno == ELOOP)
                return "the lock file \"" + path_ + "\" beside the input is a symbolic link; remove it";
            return {};
        }
        struct stat held {}, named {};
        if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            close(fd);
            return "the lock file \"" + path_ + "\" beside the input is not a file; remove it";
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            return error == EWOULDBLOCK ? results_in_use_message(input) : std::string();
        }
        if (stat(path_.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            handle_ = fd;
            return {};
        }
        close(fd);
    }
    return results_in_use_message(input);
}

void ResultsLock::release() {
    if (handle_ < 0) return;
    unlink(path_.c_str());
    close(handle_);
    handle_ = -1;
}

#endif

}  // namespace tarvos
