// Throughput of the runner against copying the same file: generates a file
// of synthetic abstracts, then times cp, the file-information scan, and
// tarvos with and without stage derivation, all on a file in the page cache,
// and tarvos without its flush to disk, to show what that flush costs; then
// the same records gzip-compressed: tarvos on the gzip file beside gzip -dc of
// it, and tarvos writing a .gz output beside gzip -1 of the plain file.
// Prints MB/s (of the unpacked records), the ratio of each to cp, and
// tarvos's peak memory on a small and a large file.
//   runner_bench [--records N] [--dir FOLDER] [--runs R]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
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

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Timed {
    double seconds = 0;
    long peak_kb = 0;
    int status = 0;
};

// Runs a program and waits for it; its standard output goes to stdout_path.
Timed run(const std::vector<std::string>& argv, const std::string& stdout_path = "/dev/null") {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    Timed t;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        t.status = -1;
        return t;
    }
    struct rusage usage {};
    wait4(pid, &t.status, 0, &usage);
    t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.peak_kb = usage.ru_maxrss;
    posix_spawn_file_actions_destroy(&actions);
    return t;
}

// Best of several runs; out is removed before each, so that every run writes
// a new file; the standard output goes to stdout_path.
Timed best_of(int runs, const std::vector<std::string>& argv, const std::string& out,
              const std::string& stdout_path = "/dev/null") {
    Timed best;
    best.seconds = 1e30;
    for (int i = 0; i < runs; ++i) {
        fs::remove(out);
        const Timed t = run(argv, stdout_path);
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

}  // namespace

int main(int argc, char** argv) {
    long records = 20000;
    int runs = 3;
    fs::path dir = fs::temp_directory_path() / "runner-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--records") records = std::stol(argv[i + 1]);
        else if (a == "--dir") dir = argv[i + 1];
        else if (a == "--runs") runs = std::stoi(argv[i + 1]);
    }
    fs::create_directories(dir);
    const std::string tarvos = TARVOS_PATH, generator = GENERATOR_PATH;
    const std::string big = (dir / "bench-14.txt").string(), small = (dir / "small-14.txt").string();
    const std::string out = (dir / "bench-15.txt").string(), copy = (dir / "copy.txt").string();
    const std::string packed = (dir / "bench-14.txt.gz").string(), packed_out = (dir / "bench-15.txt.gz").string();

    std::printf("Generating %ld records into %s\n", records, big.c_str());
    if (run({generator, "--records", std::to_string(records), "--seed", "1", "--output", big}).status != 0 ||
        run({generator, "--records", "2000", "--seed", "1", "--output", small}).status != 0) {
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
    for (const std::string& f : {copy, out, packed, packed_out}) fs::remove(f);
    return 0;
}
