#include "input_lock.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <cerrno>
#  include <fcntl.h>
#  include <sys/file.h>
#  include <unistd.h>
#endif

namespace tarvos {

std::string input_in_use_message(const std::string& input) {
    return "\"" + input + "\" is being converted by another run; wait until that run has finished";
}

#if defined(_WIN32)

namespace {
// Windows byte-range locks are mandatory: a locked range cannot be read
// through any other handle, this process's own included. One byte far past
// the end of any real file is locked, so reading the records is never hindered.
constexpr DWORD kLockOffsetHigh = 0x40000000;
}  // namespace

bool InputLock::acquire(const std::string& input) {
    release();
    const HANDLE file = CreateFileA(input.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

#endif

}  // namespace tarvos
