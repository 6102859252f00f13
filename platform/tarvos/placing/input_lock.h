// SPDX-License-Identifier: Apache-2.0
// One run per input at a time. The lock is the operating system's and
// belongs to the open file, so a run that is killed leaves none behind.
#pragma once

#include <string>

namespace tarvos {

class InputLock {
public:
    InputLock() = default;
    InputLock(const InputLock&) = delete;
    InputLock& operator=(const InputLock&) = delete;
    ~InputLock() { release(); }

    // False only when another run holds the input. An input that cannot be
    // opened, or a file system without locks, is no reason to refuse here:
    // the run's own checks then give the reason in their words.
    bool acquire(const std::string& input);
    void release();
    bool held() const { return handle_ != kNone; }

private:
#if defined(_WIN32)
    using Handle = void*;
    static constexpr Handle kNone = nullptr;
#else
    using Handle = int;
    static constexpr Handle kNone = -1;
#endif
    Handle handle_ = kNone;
};

// The refusal's text for an input another run holds.
std::string input_in_use_message(const std::string& input);

// One run at a time for the results of a name: inputs that share a base name
// in one folder (in.txt, in.dat) share the results in.db, in.mes, ..., so
// their runs exclude each other. The lock is a hidden file beside the input
// (".in.tarvos-lock"), locked by the operating system and removed when the
// run ends; a run that is killed leaves its file but not its lock.
class ResultsLock {
public:
    ResultsLock() = default;
    ResultsLock(const ResultsLock&) = delete;
    ResultsLock& operator=(const ResultsLock&) = delete;
    ~ResultsLock() { release(); }

    // An empty text when the lock is held, or when the folder takes no lock
    // file (the run's own checks then give the reason in their words); else
    // why the run must not go on: another run holds it, or its name is not a
    // plain file.
    std::string acquire(const std::string& input);
    void release();

private:
#if defined(_WIN32)
    void* handle_ = nullptr;
#else
    int handle_ = -1;
#endif
    std::string path_;
};

// The lock file of an input's results.
std::string results_lock_of(const std::string& input);

}  // namespace tarvos
