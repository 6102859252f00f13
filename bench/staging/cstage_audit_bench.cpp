// SPDX-License-Identifier: Apache-2.0
// Speed of cstage audit: generates a file of synthetic abstracts, reads it
// once so that it is in the page cache, then times cstage audit over it
// (best of several runs) and cstage's start (loading the tables) alone.
// Prints records per second of the run and of its processor time, and MB/s.
//   cstage_audit_bench [--records N] [--dir FOLDER] [--runs R]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "timed_run.h"

namespace fs = std::filesystem;

namespace {

using bench::run_timed;
using bench::Timed;

// Best of runs; an exit code above 1 (a usage error) stops the bench.
Timed best_of(int runs, const std::vector<std::string>& argv) {
    Timed best;
    best.seconds = 1e30;
    for (int i = 0; i < runs; ++i) {
        const Timed t = run_timed(argv);
        if (t.status < 0 || !WIFEXITED(t.status) || WEXITSTATUS(t.status) > 1) {
            std::fprintf(stderr, "cstage_audit_bench: %s failed (status %d)\n", argv[0].c_str(), t.status);
            std::exit(1);
        }
        if (t.seconds < best.seconds) best = t;
    }
    return best;
}

void warm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(std::size_t{4} << 20);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    long records = 50000;
    int runs = 3;
    fs::path dir = fs::temp_directory_path() / "cstage-audit-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--records") records = std::stol(argv[i + 1]);
        else if (a == "--dir") dir = argv[i + 1];
        else if (a == "--runs") runs = std::stoi(argv[i + 1]);
    }
    fs::create_directories(dir);
    const std::string cstage = CSTAGE_PATH, generator = GENERATOR_PATH;
    const std::string file = (dir / "audit-14.txt").string();
    std::printf("Generating %ld records into %s\n", records, file.c_str());
    if (run_timed({generator, "--records", std::to_string(records), "--seed", "1", "--output", file}).status != 0) {
        std::fprintf(stderr, "cstage_audit_bench: generator failed\n");
        return 1;
    }
    const double mb = static_cast<double>(fs::file_size(file)) / 1e6;
    warm(file);
    const Timed start = best_of(runs, {cstage, "schema", "C619", "8140"});
    const Timed audit = best_of(runs, {cstage, "audit", file});
    const double n = static_cast<double>(records);
    std::printf("File: %ld records, %.1f MB, in the page cache; best of %d runs\n", records, mb, runs);
    std::printf("  cstage start (tables loaded)   %8.3f s\n", start.seconds);
    std::printf("  cstage audit                   %8.3f s  %9.0f records/s  %8.1f MB/s\n", audit.seconds,
                n / audit.seconds, mb / audit.seconds);
    std::printf("  cstage audit, processor time   %8.3f s  %9.0f records per processor second\n", audit.cpu_seconds,
                n / audit.cpu_seconds);
    std::printf("  audit less the start           %8.3f s  %9.0f records/s\n", audit.seconds - start.seconds,
                n / (audit.seconds - start.seconds));
    fs::remove(file);
    return 0;
}
