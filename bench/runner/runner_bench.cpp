// SPDX-License-Identifier: Apache-2.0
// Throughput of the runner against copying the same file: generates a file
// of synthetic abstracts, then times cp, the file-information scan, and
// tarvos with and without stage derivation, all on a file in the page cache,
// and tarvos without its flush to disk, to show what that flush costs; then
// the same records gzip-compressed: tarvos on the gzip file beside gzip -dc of
// it, and tarvos writing a .gz output beside gzip -1 of the plain file.
// Prints MB/s (of the unpacked records), the ratio of each to cp, and
// tarvos's peak memory on a small and a large file.
// Then three generated files, the second with staging inputs drawn at
// random, the third with a dozen problems a staged record, each with where one
// run's time went, phase by phase.
// A file larger than the memory the run may use follows, read from the disk
// (each run held to 192 MB where the host allows it), with the bytes read
// from storage: once the file.
//   runner_bench [--records N] [--dir FOLDER] [--runs R] [--memory-records M[,M...]]
// --memory-records adds the peak memory, and the time, on files of M records
// of each kind.
#include <fcntl.h>
#include <sys/mman.h>
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

// A memory limit for the programs timed, as a registrar's PC has for its
// page cache: a control group of its own, where the host lets one be made.
class MemoryLimit {
public:
    explicit MemoryLimit(long long bytes) {
        const std::string v1 = "/sys/fs/cgroup/memory/runner-bench", v2 = "/sys/fs/cgroup/runner-bench";
        std::error_code ec;
        if (fs::is_directory("/sys/fs/cgroup/memory") && (fs::create_directory(v1, ec), fs::is_directory(v1)) &&
            write_file(v1 + "/memory.limit_in_bytes", std::to_string(bytes))) {
            procs_ = v1 + "/cgroup.procs";
        } else if (fs::exists("/sys/fs/cgroup/cgroup.controllers") &&
                   (write_file("/sys/fs/cgroup/cgroup.subtree_control", "+memory"), fs::create_directory(v2, ec),
                    fs::is_directory(v2)) &&
                   write_file(v2 + "/memory.max", std::to_string(bytes))) {
            procs_ = v2 + "/cgroup.procs";
        }
    }
    bool held() const { return !procs_.empty(); }
    // argv, run inside the group when there is one.
    std::vector<std::string> wrapped(std::vector<std::string> argv) const {
        if (!held()) return argv;
        argv.insert(argv.begin(), {"sh", "-c", "echo $$ > " + procs_ + " && exec \"$@\"", "sh"});
        return argv;
    }

private:
    static bool write_file(const std::string& path, const std::string& text) {
        std::ofstream out(path);
        return static_cast<bool>(out << text << std::flush);
    }
    std::string procs_;
};

// Takes a file out of the page cache, as after a reboot: its next read comes
// from the disk.
void drop_from_cache(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
}

// The megabytes of a file in the page cache.
double cached_mb(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    const std::size_t size = static_cast<std::size_t>(lseek(fd, 0, SEEK_END));
    double mb = 0;
    if (void* at = size ? mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED; at != MAP_FAILED) {
        const long page = sysconf(_SC_PAGESIZE);
        std::vector<unsigned char> resident((size + static_cast<std::size_t>(page) - 1) / static_cast<std::size_t>(page));
        if (mincore(at, size, resident.data()) == 0)
            for (unsigned char r : resident) mb += (r & 1) ? static_cast<double>(page) / 1e6 : 0;
        munmap(at, size);
    }
    close(fd);
    return mb;
}

// Median of runs, each with the input out of the page cache first.
Timed cold_median(int runs, const MemoryLimit& limit, const std::vector<std::string>& argv, const std::string& input,
                  const std::string& out) {
    std::vector<Timed> all;
    for (int i = 0; i < runs; ++i) {
        fs::remove(out);
        drop_from_cache(input);
        all.push_back(run_timed(limit.wrapped(argv)));
        if (all.back().status != 0) {
            std::fprintf(stderr, "runner_bench: %s failed (status %d)\n", argv[0].c_str(), all.back().status);
            std::exit(1);
        }
    }
    std::sort(all.begin(), all.end(), [](const Timed& a, const Timed& b) { return a.seconds < b.seconds; });
    return all[all.size() / 2];
}

// The runner on a file larger than the memory it may use, read from the disk:
// the page cache dropped before each run, and the run held to a memory limit
// where the host allows one. The input is read once: the bytes read from
// storage are the file's size.
void larger_than_memory(const std::string& tarvos, const std::string& input, const std::string& out,
                        const std::string& copy, int runs) {
    constexpr long long kLimit = 192LL << 20;
    const MemoryLimit limit(kLimit);
    const double mb = static_cast<double>(fs::file_size(input)) / 1e6;
    std::printf("File larger than memory: %.1f MB read from the disk (page cache dropped before each run), %s; "
                "median of %d runs\n",
                mb, limit.held() ? "each run held to 192 MB of memory (its page cache included)"
                                 : "this host lets no memory limit be set: the runs are not held to one",
                runs);
    const Timed cp = cold_median(runs, limit, {"dd", "if=" + input, "of=" + copy, "bs=1M", "conv=fsync", "status=none"},
                                 input, copy);
    const Timed derive = cold_median(runs, limit, {tarvos, "--quiet", input, out}, input, out);
    row("copy and flush (dd conv=fsync)", cp.seconds, mb, cp.seconds);
    row("tarvos (derive all three families)", derive.seconds, mb, cp.seconds);
    std::printf("  tarvos takes %.2fx a copy and flush; read %.1f MB from storage (%.2fx the file), peak memory %ld kB\n",
                derive.seconds / cp.seconds, static_cast<double>(derive.storage_read_bytes) / 1e6,
                static_cast<double>(derive.storage_read_bytes) / 1e6 / mb, derive.peak_kb);
    std::printf("  left in the page cache after the run: %.1f MB of the input, %.1f MB of the output\n",
                cached_mb(input), cached_mb(out));
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
        // The library's part is spent within the conversion; the run log's
        // lines are written beside it, on the gathering thread.
        const bool within = name == "conversion-library" || name == "run-log";
        if (!within) total += seconds;
    }
    std::printf("  where one run's time went (%.3f s in its phases; stage derivation adds %.3f s):\n", total,
                derive.seconds - no_stage.seconds);
    for (const auto& [phase, s] : rows)
        std::printf("    %-22s %8.3f s %5.1f%%%s\n", phase.c_str(), s, total > 0 ? 100 * s / total : 0.0,
                    phase == "conversion-library" ? " (within the conversion)"
                    : phase == "run-log"          ? " (beside the conversion, on the gathering thread)"
                                                  : "");
    fs::remove(phases);
}

// The counts of a list "20000,200000,1000000".
std::vector<long> counts_of(const std::string& list) {
    std::vector<long> counts;
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        counts.push_back(std::stol(list.substr(from, comma - from)));
        from = comma + 1;
    }
    return counts;
}

}  // namespace

int main(int argc, char** argv) {
    long records = 20000;
    int runs = 3;
    // Also the peak memory on files of these many records, of each kind.
    std::vector<long> memory_records;
    fs::path dir = fs::temp_directory_path() / "runner-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--records") records = std::stol(argv[i + 1]);
        else if (a == "--dir") dir = argv[i + 1];
        else if (a == "--runs") runs = std::stoi(argv[i + 1]);
        else if (a == "--memory-records") memory_records = counts_of(argv[i + 1]);
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
    // A third where every staged record's calculation reports about a dozen
    // problems, as in a file written under other rules or in another layout.
    const std::string problems_input = (dir / "problems-14.txt").string();
    if (run_timed({generator, "--records", std::to_string(records), "--seed", "1", "--staging", "problems", "--output",
                   problems_input})
            .status != 0) {
        std::fprintf(stderr, "runner_bench: generator failed\n");
        return 1;
    }
    file_figures("File 1, staging inputs its schema accepts", tarvos, big, out, copy, runs);
    file_figures("File 2, staging inputs drawn at random", tarvos, random_input, out, copy, runs);
    file_figures("File 3, staging inputs its schema does not know (a dozen problems a staged record)", tarvos,
                 problems_input, out, copy, runs);
    larger_than_memory(tarvos, big, out, copy, runs);
    for (const long n : memory_records) {
        for (const char* staging : {"valid", "random", "problems"}) {
            const std::string large = (dir / "large-14.txt").string();
            run_timed({generator, "--records", std::to_string(n), "--seed", "1", "--staging", staging, "--output", large});
            const Timed t = best_of(1, {tarvos, "--quiet", large, out}, out);
            std::printf("Peak memory of tarvos on %ld records (staging %s): %ld kB; the run took %.2f s\n", n, staging,
                        t.peak_kb, t.seconds);
            fs::remove(large);
            fs::remove(out);
        }
    }
    for (const std::string& f : {copy, out, packed, packed_out, random_input, problems_input}) fs::remove(f);
    return 0;
}
