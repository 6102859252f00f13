// SPDX-License-Identifier: Apache-2.0
#include "progress.h"

#include <algorithm>
#include <cinttypes>

namespace tarvos {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
constexpr int kBarWidth = 24;

std::string minutes_and_seconds(double seconds) {
    const auto s = static_cast<long long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

}  // namespace

std::string progress_line(std::uint64_t records, std::uint64_t bytes, std::uint64_t total_bytes, double seconds) {
    const double mb_per_s = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
    char text[160];
    if (total_bytes == 0) {
        std::snprintf(text, sizeof text, "%" PRIu64 " records  %.1f MB/s  %s", records, mb_per_s,
                      minutes_and_seconds(seconds).c_str());
        return text;
    }
    const double fraction = std::min(1.0, static_cast<double>(bytes) / static_cast<double>(total_bytes));
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0.0;
    const std::string left = rate > 0 && bytes < total_bytes
                                 ? minutes_and_seconds(static_cast<double>(total_bytes - bytes) / rate)
                                 : "0:00";
    std::snprintf(text, sizeof text, "[%s] %" PRIu64 " records %5.1f%%  %.1f MB/s  %s left", bar.c_str(), records,
                  fraction * 100.0, mb_per_s, left.c_str());
    return text;
}

ProgressBar::ProgressBar(std::FILE* out) : out_(out), start_(Clock::now()), next_draw_(start_ + kRedrawInterval) {}

void ProgressBar::update(std::uint64_t records, std::uint64_t bytes, std::uint64_t total_bytes) {
    const Clock::time_point now = Clock::now();
    if (now < next_draw_) return;
    next_draw_ = now + kRedrawInterval;
    const std::string line =
        progress_line(records, bytes, total_bytes, std::chrono::duration<double>(now - start_).count());
    // Blanks over what a longer earlier line left behind.
    const std::size_t pad = drawn_width_ > line.size() ? drawn_width_ - line.size() : 0;
    std::fprintf(out_, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
    std::fflush(out_);
    drawn_width_ = line.size();
}

void ProgressBar::finish() {
    if (drawn_width_ == 0) return;
    std::fprintf(out_, "\r%*s\r", static_cast<int>(drawn_width_), "");
    std::fflush(out_);
    drawn_width_ = 0;
}

}  // namespace tarvos
