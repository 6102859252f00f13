// SPDX-License-Identifier: Apache-2.0
#include "phase_times.h"

#include <array>
#include <cstddef>

namespace tarvos {
namespace {

std::array<double, static_cast<std::size_t>(Phase::count)> g_seconds{};

constexpr std::array<const char*, static_cast<std::size_t>(Phase::count)> kNames = {
    "first-look", "conversion", "conversion-library", "reports", "run-log", "output-flush", "results", "page",
    "placing"};

}  // namespace

void add_phase_time(Phase phase, double seconds) { g_seconds[static_cast<std::size_t>(phase)] += seconds; }

void print_phase_times(std::FILE* to) {
    for (std::size_t i = 0; i < kNames.size(); ++i) std::fprintf(to, "phase %s %.4f\n", kNames[i], g_seconds[i]);
}

}  // namespace tarvos
