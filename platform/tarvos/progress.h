// The progress bar shown on a terminal: records done, percentage, throughput
// and time left, redrawn a few times a second on one line of standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tarvos {

// One line of progress; total 0 means the record count is unknown.
std::string progress_line(std::uint64_t done, std::uint64_t total, std::uint64_t bytes, double seconds);

class ProgressBar {
public:
    ProgressBar(std::FILE* out, std::uint64_t total);
    // Redraws when enough time has passed since the last drawing.
    void update(std::uint64_t done, std::uint64_t bytes);
    // Clears the line.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    std::FILE* out_;
    std::uint64_t total_;
    Clock::time_point start_;
    Clock::time_point next_draw_;
    std::size_t drawn_width_ = 0;
};

}  // namespace tarvos
