// SPDX-License-Identifier: Apache-2.0
// Runs a program and times it, for the benchmarks that time whole programs
// (Linux): wall time, processor time, peak resident memory and exit status.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

struct Timed {
    double seconds = 0;      // wall time
    double cpu_seconds = 0;  // user and system time of the program
    long peak_kb = 0;        // peak resident memory
    // Bytes read from storage (not from the page cache): the read_bytes of
    // /proc/PID/io, as the system counts them for the program's reads.
    long long storage_read_bytes = 0;
    int status = 0;  // as wait() gives it; -1 when it did not start
};

// Runs argv (found on the PATH) and waits for it; its standard output goes to
// stdout_path, its standard error to stderr_path when one is given.
inline Timed run_timed(const std::vector<std::string>& argv, const std::string& stdout_path = "/dev/null",
                       const std::string& stderr_path = "") {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!stderr_path.empty())
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    Timed t;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        t.status = -1;
        return t;
    }
    struct rusage usage {};
    wait4(pid, &t.status, 0, &usage);
    t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    t.peak_kb = usage.ru_maxrss;
    t.storage_read_bytes = static_cast<long long>(usage.ru_inblock) * 512;
    return t;
}

}  // namespace bench
