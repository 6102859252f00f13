// Throughput of the runner against copying the same file: generates a file
// of synthetic abstracts, then times cp, the file-information scan, and
// tarvos with and without stage derivation, all on a file in the page cache,
// and tarvos without its flush to disk, to show what that flush costs; then
// the same records gzip-compressed: tarvos on the gzip file beside gzip -dc of
// it, and tarvos writing a .gz output beside gzip -1 of the plain file.
// Prints MB/s (of the unpacked records), the ratio of each to cp, and
// tarvos's peak memory on a small and a large file.
// Then both generated files again, the second with staging inputs drawn at
// random, each with where one run's time went, phase by phase.
//   runner_bench [--records N] [--dir FOLDER] [--runs R] [--memory-records M]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "morvelio.h"
#include "timed_run.h"

namespace fs = std::filesystem;

namespace {

using bench::run_timed;
using bench::Timed;

// Best of several runs; out is removed before each, so that every run writes
// a new file; the standard output goes to stdout_path.
Timed best_of(int runs, const std::vector<std::string>& argv, const std::string& out,
              const std::string& stdout_path = "/dev/null") {
    Timed best;
    best.seconds = 1e30;
    for (int i = 0; i < runs; ++i) {
        fs::remove(out);
        const Timed t = run_timed(argv, stdout_path);
        if (t.status != 0) {
            std::fprintf(stderr, "runner_bench: %s failed (status %d)\n", argv[0].c_str(), t.status);
            std::exit(1);
        }
        if (t.seconds < best.seconds) best = t;
    }
    return best;
}

double scan_seconds(const std::string& path, int runs, std::uint32_t& count) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        std::vector<char> info(MORVELIO_FILE_INFO_SIZE, 0);
        std::memcpy(info.data(), path.c_str(), path.size());
        const auto start = std::chrono::steady_clock::now();
        const int rc = hsGet_naaccr_file_info(info.data());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        std::memcpy(&count, &info[MORVELIO_FI_RECORD_COUNT], sizeof count);
        if (rc > 0) {
            std::fprintf(stderr, "runner_bench: scan failed: %s\n", &info[MORVELIO_FI_ERROR_TEXT]);
            std::exit(1);
        }
    }
    return best;
}

void warm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(std::size_t{4} << 20);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    }
}

void row(const char* what, double seconds, double megabytes, double cp_seconds) {
    std::printf("  %-40s %8.3f s %9.1f MB/s %7.2fx cp\n", what, seconds, megabytes / seconds, seconds / cp_seconds);
}

// The runner on one file, deriving all three families, best of runs, beside
// a copy and flush of the same file; then where one run's time went.
void file_figures(const char* title, const std::string& tarvos, const std::string& input, const std::string& out,
                  const std::string& copy, int runs) {
    warm(input);
    const double mb = static_cast<double>(fs::file_size(input)) / 1e6;
    const Timed cp = best_of(runs, {"cp", input, copy}, copy);
    const Timed cp_sync = best_of(runs, {"dd", "if=" + input, "of=" + copy, "bs=1M", "conv=fsync", "status=none"}, copy);
    const Timed derive = best_of(runs, {tarvos, "--quiet", input, out}, out);
    const Timed no_stage = best_of(runs, {tarvos, "--quiet", "--no-stage", input, out}, out);
    std::printf("%s: %.1f MB\n", title, mb);
    row("cp", cp.seconds, mb, cp.seconds);
    row("copy and flush (dd conv=fsync)", cp_sync.seconds, mb, cp.seconds);
    row("tarvos --no-stage", no_stage.seconds, mb, cp.seconds);
    row("tarvos (derive all three families)", derive.seconds, mb, cp.seconds);
    std::printf("  tarvos (derive) takes %.2fx a copy and flush; peak memory %ld kB\n", derive.seconds / cp_sync.seconds,
                derive.peak_kb);
    // One run with its phases; stage derivation is what deriving adds.
    const std::string phases = out + ".phases";
    fs::remove(out);
    run_timed({tarvos, "--quiet", "--phase-times", input, out}, "/dev/null", phases);
    std::ifstream in(phases);
    std::string word, name;
    double seconds = 0, total = 0;
    std::vector<std::pair<std::string, double>> rows;
    while (in >> word >> name >> seconds) {
        rows.emplace_back(name, seconds);
        if (name != "conversion-library") total += seconds;
    }
    std::printf("  where one run's time went (%.3f s in its phases; stage derivation adds %.3f s):\n", total,
                derive.seconds - no_stage.seconds);
    for (const auto& [phase, s] : rows)
        std::printf("    %-22s %8.3f s %5.1f%%%s\n", phase.c_str(), s, total > 0 ? 100 * s / total : 0.0,
                    phase == "conversion-library" ? " (of the conversion)" : "");
    fs::remove(phases);
}

}  // namespace

int main(int argc, char** argv) {
    long records = 20000;
    int runs = 3;
    long memory_records = 0;  // also the peak memory on a file of this many records
    fs::path dir = fs::temp_directory_path() / "runner-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--records") records = std::stol(argv[i + 1]);
        else if (a == "--dir") dir = argv[i + 1];
        else if (a == "--runs") runs = std::stoi(argv[i + 1]);
        else if (a == "--memory-records") memory_records = std::stol(argv[i + 1]);
    }
    fs::create_directories(dir);
    const std::string tarvos = TARVOS_PATH, generator = GENERATOR_PATH;
    const std::string big = (dir / "bench-14.txt").string(), small = (dir / "small-14.txt").string();
    const std::string out = (dir / "bench-15.txt").string(), copy = (dir / "copy.txt").string();
    const std::string packed = (dir / "bench-14.txt.gz").string(), packed_out = (dir / "bench-15.txt.gz").string();

    std::printf("Generating %ld records into %s\n", records, big.c_str());
    if (run_timed({generator, "--records", std::to_string(records), "--seed", "1", "--output", big}).status != 0 ||
        run_timed({generator, "--records", "2000", "--seed", "1", "--output", small}).status != 0) {
        std::fprintf(stderr, "runner_bench: generator failed\n");
        return 1;
    }
    const double mb = static_cast<double>(fs::file_size(big)) / 1e6;
    warm(big);

    const Timed cp = best_of(runs, {"cp", big, copy}, copy);
    // cp copies inside the kernel where it can; dd shows a copy through user space.
    const Timed dd = best_of(runs, {"dd", "if=" + big, "of=" + copy, "bs=1M", "status=none"}, copy);
    // The yardstick for a run: a copy that also waits for the disk, as the
    // runner does before it puts its output in place.
    const Timed dd_sync =
        best_of(runs, {"dd", "if=" + big, "of=" + copy, "bs=1M", "conv=fsync", "status=none"}, copy);
    std::uint32_t count = 0;
    const double scan = scan_seconds(big, runs, count);
    const Timed no_stage = best_of(runs, {tarvos, "--quiet", "--no-stage", big, out}, out);
    const Timed stage = best_of(runs, {tarvos, "--quiet", big, out}, out);
    // The same without waiting for the output to reach the disk: the
    // difference is the flush before the output is put in place.
    const Timed no_sync = best_of(runs, {tarvos, "--quiet", "--no-sync", big, out}, out);
    const Timed front_end = best_of(runs, {tarvos, big, out, "A", "1", "22824", "7", "true", std::to_string(count)}, out);
    const Timed small_run = best_of(1, {tarvos, "--quiet", small, (dir / "small-15.txt").string()},
                                    (dir / "small-15.txt").string());
    // The same records gzip-compressed (gzip -1 also makes the gzip input).
    const Timed gzip_1 = best_of(runs, {"gzip", "-1", "-c", big}, packed, packed);
    const double packed_mb = static_cast<double>(fs::file_size(packed)) / 1e6;
    const Timed gunzip = best_of(runs, {"gzip", "-d", "-c", packed}, copy);
    std::uint32_t packed_count = 0;
    const double packed_scan = scan_seconds(packed, runs, packed_count);
    const Timed gz_no_stage = best_of(runs, {tarvos, "--quiet", "--no-stage", packed, out}, out);
    const Timed gz_stage = best_of(runs, {tarvos, "--quiet", packed, out}, out);
    const Timed to_gz_no_stage = best_of(runs, {tarvos, "--quiet", "--no-stage", big, packed_out}, packed_out);
    const Timed to_gz = best_of(runs, {tarvos, "--quiet", big, packed_out}, packed_out);
    if (packed_count != count) {
        std::fprintf(stderr, "runner_bench: the gzip file holds %u records, not %u\n", packed_count, count);
        return 1;
    }

    std::printf("File: %u records, %.1f MB, in the page cache; best of %d runs\n", count, mb, runs);
    row("cp", cp.seconds, mb, cp.seconds);
    row("dd bs=1M (copy through user space)", dd.seconds, mb, cp.seconds);
    row("dd bs=1M conv=fsync (copy and flush)", dd_sync.seconds, mb, cp.seconds);
    row("morvelio scan (hsGet_naaccr_file_info)", scan, mb, cp.seconds);
    row("tarvos --no-stage", no_stage.seconds, mb, cp.seconds);
    row("tarvos (derive all three families)", stage.seconds, mb, cp.seconds);
    row("tarvos derive, --no-sync (no flush to disk)", no_sync.seconds, mb, cp.seconds);
    std::printf("  %-40s %8.3f s\n", "flush to disk (derive less --no-sync)", stage.seconds - no_sync.seconds);
    row("tarvos front-end form, derive", front_end.seconds, mb, cp.seconds);
    std::printf("tarvos deriving all three families takes %.2fx a copy and flush of the same file\n",
                stage.seconds / dd_sync.seconds);
    std::printf("The same records gzip-compressed: %.1f MB (gzip -1); MB/s of the unpacked records\n", packed_mb);
    row("gzip -dc > /dev/null", gunzip.seconds, mb, cp.seconds);
    row("morvelio scan of the gzip file", packed_scan, mb, cp.seconds);
    row("tarvos --no-stage, gzip input", gz_no_stage.seconds, mb, cp.seconds);
    row("tarvos (derive), gzip input", gz_stage.seconds, mb, cp.seconds);
    row("gzip -1 of the plain file", gzip_1.seconds, mb, cp.seconds);
    row("tarvos --no-stage, .gz output", to_gz_no_stage.seconds, mb, cp.seconds);
    row("tarvos (derive), .gz output", to_gz.seconds, mb, cp.seconds);
    std::printf("gzip input: tarvos (derive) takes %.3f s more than on the plain file; gzip -dc takes %.3f s\n",
                gz_stage.seconds - stage.seconds, gunzip.seconds);
    std::printf(".gz output: tarvos (derive) takes %.3f s more than to a plain output; gzip -1 takes %.3f s\n",
                to_gz.seconds - stage.seconds, gzip_1.seconds);
    std::printf("Peak memory of tarvos: %ld kB on 2000 records, %ld kB on %u records, %ld kB on them gzip-compressed\n",
                small_run.peak_kb, stage.peak_kb, count, gz_stage.peak_kb);

    // Both files' figures, the second with staging inputs drawn at random:
    // about half its calculations report problems, as in files coded under
    // older rules.
    const std::string random_input = (dir / "random-14.txt").string();
    if (run_timed({generator, "--records", std::to_string(records), "--seed", "1", "--staging", "random", "--output",
                   random_input})
            .status != 0) {
        std::fprintf(stderr, "runner_bench: generator failed\n");
        return 1;
    }
    file_figures("File 1, staging inputs its schema accepts", tarvos, big, out, copy, runs);
    file_figures("File 2, staging inputs drawn at random", tarvos, random_input, out, copy, runs);
    if (memory_records > 0) {
        const std::string large = (dir / "large-14.txt").string();
        run_timed({generator, "--records", std::to_string(memory_records), "--seed", "1", "--staging", "random",
                   "--output", large});
        const Timed t = best_of(1, {tarvos, "--quiet", large, out}, out);
        std::printf("Peak memory of tarvos on %ld records (staging inputs drawn at random): %ld kB\n", memory_records,
                    t.peak_kb);
        fs::remove(large);
    }
    for (const std::string& f : {copy, out, packed, packed_out, random_input}) fs::remove(f);
    return 0;
}
