// SPDX-License-Identifier: Apache-2.0
// How long each phase of a run took, for the benchmarks (--phase-times): the
// first look at the names and the first record, the conversion of the
// records (and within it the part spent in the conversion library and the
// run log's lines), the library's close with its reports, the results read
// back when they were not gathered whole, the summary page and placing the
// set.
#pragma once

#include <chrono>
#include <cstdio>

namespace tarvos {

enum class Phase { first_look, conversion, library, reports, run_log, output, results, page, placing, count };

// Adds seconds to a phase.
void add_phase_time(Phase phase, double seconds);

// Times a phase from construction to destruction.
class PhaseClock {
public:
    explicit PhaseClock(Phase phase) : phase_(phase), start_(std::chrono::steady_clock::now()) {}
    ~PhaseClock() { add_phase_time(phase_, std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count()); }
    PhaseClock(const PhaseClock&) = delete;
    PhaseClock& operator=(const PhaseClock&) = delete;

private:
    Phase phase_;
    std::chrono::steady_clock::time_point start_;
};

// One line per phase: "phase <name> <seconds>".
void print_phase_times(std::FILE* to);

}  // namespace tarvos
