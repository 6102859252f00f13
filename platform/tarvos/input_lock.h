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

}  // namespace tarvos
