// SPDX-License-Identifier: Apache-2.0
// Logs 100,000 rows (conversions, reviewables and messages in turn, as a
// converted file gives them) into a file store and into a memory store.
// Prints the logging rate and the time the store's destruction takes, after
// which every row is committed to the database file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "results_store.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 100000;
constexpr int kRounds = 3;

struct Timing {
    double logging_s = 0;
    double destroy_s = 0;
};

void log_rows(vexlin::ResultsStore& store) {
    const vexlin::CodedValues before{"9823", '9', "C421"};
    const vexlin::CodedValues after{"9823", '5', "C421"};
    for (int i = 0; i < kRows; ++i) {
        const vexlin::RowIdentity id{i, "00012345", "00", "0000012345", "123456789", "01"};
        switch (i % 3) {
            case 0: store.log_conversion(id, "hematopoietic", before, "", after, ""); break;
            case 1: store.log_reviewable(id, before, after); break;
            default:
                store.log_message(i, "00012345", "CS cannot find a schema for site 'C999', which may be invalid. ");
        }
    }
}

template <typename MakeStore>
Timing run(MakeStore make_store) {
    Timing t;
    auto* store = new vexlin::ResultsStore(make_store());
    const auto start = Clock::now();
    log_rows(*store);
    const auto logged = Clock::now();
    delete store;
    const auto destroyed = Clock::now();
    t.logging_s = std::chrono::duration<double>(logged - start).count();
    t.destroy_s = std::chrono::duration<double>(destroyed - logged).count();
    return t;
}

template <typename MakeStore>
void report(const char* kind, MakeStore make_store) {
    Timing best{1e9, 1e9};
    for (int r = 0; r < kRounds; ++r) {
        const Timing t = run(make_store);
        if (t.logging_s + t.destroy_s < best.logging_s + best.destroy_s) best = t;
    }
    std::printf("%-7s %d rows: logging %.3f s (%.0f rows/s), destruction %.3f s, total %.3f s (%.0f rows/s)\n",
                kind, kRows, best.logging_s, kRows / best.logging_s, best.destroy_s, best.logging_s + best.destroy_s,
                kRows / (best.logging_s + best.destroy_s));
}

}  // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("results_logging_bench_" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    const std::string input = (dir / "abstracts.txt").string();

    std::printf("best of %d rounds\n", kRounds);
    report("file", [&] { return vexlin::ResultsStore::for_file(input); });
    report("memory", [] { return vexlin::ResultsStore::in_memory(); });

    std::error_code ec;
    std::printf("database file: %ju bytes\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(dir / "abstracts.db", ec)));
    std::filesystem::remove_all(dir, ec);
    return 0;
}
