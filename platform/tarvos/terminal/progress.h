// SPDX-License-Identifier: Apache-2.0
// The progress bar shown on a terminal: records done, the share of the input
// read, throughput and time left, redrawn a few times a second on one line of
// standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tarvos {

// One line of progress: the records done and the bytes of the input read of
// its size (0: unknown), after seconds.
std::string progress_line(std::uint64_t records, std::uint64_t bytes, std::uint64_t total_bytes, double seconds);

class ProgressBar {
public:
    explicit ProgressBar(std::FILE* out);
    // Redraws when enough time has passed since the last drawing.
    void update(std::uint64_t records, std::uint64_t bytes, std::uint64_t total_bytes);
    // Clears the line.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    std::FILE* out_;
    Clock::time_point start_;
    Clock::time_point next_draw_;
    std::size_t drawn_width_ = 0;
};

}  // namespace tarvos
