/* SPDX-License-Identifier: Apache-2.0 */
/* A preload library that makes one write, flush or rename of a run fail, or
** kills the run there, to show what a failure at that instant leaves.
**
** Counted are the calls on files under FAULT_DIR (an absolute path): write,
** pwrite, pwrite64, writev, fsync, fdatasync, fwrite, fputs, fflush, fclose,
** rename, renameat, link and linkat. The call numbered FAULT_AT (from 1)
** fails with EIO (FAULT_MODE=eio) or kills the process before it is made
** (FAULT_MODE=kill). With FAULT_COUNT_FILE set, the number of counted calls
** is written there when the process ends; with FAULT_TRACE set, each counted
** call is named on standard error; with FAULT_ONLY set to a function's name,
** only its calls are counted.
**
**   LD_PRELOAD=libnaaccr_faults.so FAULT_DIR=/tmp/x FAULT_AT=7 FAULT_MODE=eio tarvos ...
*/
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static long g_count;
static long g_at = -1;
static int g_kill;
static int g_trace;
static const char* g_only;
static const char* g_dir;
static size_t g_dir_length;

__attribute__((constructor)) static void fault_setup(void) {
    g_dir = getenv("FAULT_DIR");
    g_dir_length = g_dir ? strlen(g_dir) : 0;
    const char* at = getenv("FAULT_AT");
    g_at = at ? atol(at) : -1;
    const char* mode = getenv("FAULT_MODE");
    g_kill = mode && strcmp(mode, "kill") == 0;
    g_trace = getenv("FAULT_TRACE") != NULL;
    g_only = getenv("FAULT_ONLY");
}

__attribute__((destructor)) static void fault_report(void) {
    const char* count_file = getenv("FAULT_COUNT_FILE");
    if (!count_file) return;
    FILE* f = fopen(count_file, "w");
    if (!f) return;
    fprintf(f, "%ld\n", g_count);
    fclose(f);
}

static __thread char g_last_path[PATH_MAX];

static int under_dir(const char* path) {
    if (!g_dir || !path) return 0;
    snprintf(g_last_path, sizeof g_last_path, "%s", path);
    char absolute[PATH_MAX];
    if (path[0] != '/') {
        if (!getcwd(absolute, sizeof absolute)) return 0;
        size_t n = strlen(absolute);
        snprintf(absolute + n, sizeof absolute - n, "/%s", path);
        path = absolute;
    }
    return strncmp(path, g_dir, g_dir_length) == 0 && (path[g_dir_length] == '/' || path[g_dir_length] == '\0');
}

static int fd_under_dir(int fd);

/* Only files open for writing: closing a file that was read loses nothing. */
static int writable_fd_under_dir(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY && fd_under_dir(fd);
}

/* SQLite syncs the folder of its rollback journal and, by design, ignores a
** failure there; the runner flushes the folders itself, with fsync. */
static int is_folder(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
}

static int fd_under_dir(int fd) {
    if (fd < 0) return 0;
    char link[64], target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0) return 0;
    target[n] = '\0';
    return under_dir(target);
}

/* Counts a call on a file of FAULT_DIR; true when this call is to fail. The
** runner writes its output on a thread of its own: calls are counted as they
** come, so that exactly one fails, whichever thread makes it. */
static int faulted_call(int counted, const char* function) {
    if (!counted || (g_only && strcmp(g_only, function) != 0)) return 0;
    const long n = __atomic_add_fetch(&g_count, 1, __ATOMIC_SEQ_CST);
    if (g_trace) fprintf(stderr, "fault point %ld: %s %s\n", n, function, g_last_path);
    if (n != g_at) return 0;
    if (g_kill) kill(getpid(), SIGKILL);
    return 1;
}

#define faulted(counted) faulted_call(counted, __func__)

/* The next definition of a function of the C library: the system's own. */
#define REAL(name) \
    static __typeof__(name)* real_##name; \
    if (!real_##name) real_##name = (__typeof__(name)*)dlsym(RTLD_NEXT, #name)

ssize_t write(int fd, const void* data, size_t n) {
    REAL(write);
    if (faulted(fd > 2 && fd_under_dir(fd))) { errno = EIO; return -1; }
    return real_write(fd, data, n);
}

ssize_t pwrite(int fd, const void* data, size_t n, off_t at) {
    REAL(pwrite);
    if (faulted(fd_under_dir(fd))) { errno = EIO; return -1; }
    return real_pwrite(fd, data, n, at);
}

ssize_t pwrite64(int fd, const void* data, size_t n, off64_t at) {
    REAL(pwrite64);
    if (faulted(fd_under_dir(fd))) { errno = EIO; return -1; }
    return real_pwrite64(fd, data, n, at);
}

ssize_t writev(int fd, const struct iovec* parts, int count) {
    REAL(writev);
    if (faulted(fd > 2 && fd_under_dir(fd))) { errno = EIO; return -1; }
    return real_writev(fd, parts, count);
}

int fsync(int fd) {
    REAL(fsync);
    if (faulted(fd_under_dir(fd))) { errno = EIO; return -1; }
    return real_fsync(fd);
}

int fdatasync(int fd) {
    REAL(fdatasync);
    if (faulted(fd_under_dir(fd) && !is_folder(fd))) { errno = EIO; return -1; }
    return real_fdatasync(fd);
}

size_t fwrite(const void* data, size_t size, size_t n, FILE* f) {
    REAL(fwrite);
    if (faulted(size && n && writable_fd_under_dir(fileno(f)))) { errno = EIO; return 0; }
    return real_fwrite(data, size, n, f);
}

int fputs(const char* text, FILE* f) {
    REAL(fputs);
    if (faulted(writable_fd_under_dir(fileno(f)))) { errno = EIO; return EOF; }
    return real_fputs(text, f);
}

int fflush(FILE* f) {
    REAL(fflush);
    if (faulted(f && writable_fd_under_dir(fileno(f)))) { errno = EIO; return EOF; }
    return real_fflush(f);
}

/* A failed close has still closed the file, as the system's does. */
int fclose(FILE* f) {
    REAL(fclose);
    int fail = faulted(writable_fd_under_dir(fileno(f)));
    int rc = real_fclose(f);
    if (fail) { errno = EIO; return EOF; }
    return rc;
}

int rename(const char* from, const char* to) {
    REAL(rename);
    if (faulted(under_dir(from) || under_dir(to))) { errno = EIO; return -1; }
    return real_rename(from, to);
}

int renameat(int from_dir, const char* from, int to_dir, const char* to) {
    REAL(renameat);
    if (faulted(under_dir(from) || under_dir(to))) { errno = EIO; return -1; }
    return real_renameat(from_dir, from, to_dir, to);
}

int link(const char* from, const char* to) {
    REAL(link);
    if (faulted(under_dir(to))) { errno = EIO; return -1; }
    return real_link(from, to);
}

int linkat(int from_dir, const char* from, int to_dir, const char* to, int flags) {
    REAL(linkat);
    if (faulted(under_dir(to))) { errno = EIO; return -1; }
    return real_linkat(from_dir, from, to_dir, to, flags);
}
