// SPDX-License-Identifier: Apache-2.0
// naaccr-sample: writes a file of synthetic NAACCR 14.0 abstracts.
//   naaccr-sample [--records N] [--line-ends lf|crlf] [--seed S] [--staging valid|random|problems] --output FILE
#include <charconv>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sample_records.h"

namespace {

struct Options {
    std::uint64_t records = 2000;
    std::string line_end = "\n";
    std::uint64_t seed = 1;
    std::string output;
    sample::Staging staging = sample::Staging::valid;
};

const char* kUsage =
    "Usage: naaccr-sample [--records N] [--line-ends lf|crlf] [--seed S] [--staging valid|random|problems]\n"
    "                     --output FILE\n"
    "Writes N synthetic NAACCR 14.0 abstracts (default 2000, LF line ends, seed 1).\n"
    "--staging valid (the default) gives staged records inputs their schema accepts.\n"
    "--staging random draws the staging inputs at random, as in files coded under\n"
    "older rules: about half the stage calculations then report problems.\n"
    "--staging problems keeps the site and histology that select a schema but puts\n"
    "codes the schema does not know in about a dozen of its other inputs, varied\n"
    "from record to record: every staged record reports about a dozen problems.\n"
    "The same seed always gives the same file. No record describes a real person.\n";

bool parse_count(std::string_view text, std::uint64_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

bool parse_staging(std::string_view text, sample::Staging& staging) {
    constexpr std::pair<std::string_view, sample::Staging> kNames[] = {
        {"valid", sample::Staging::valid}, {"random", sample::Staging::random}, {"problems", sample::Staging::problems}};
    for (const auto& [name, value] : kNames)
        if (text == name) return staging = value, true;
    return false;
}

// Returns 0 to go on, else the exit code.
int parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "naaccr-sample: %s needs a value\n%s", argv[i], kUsage);
            return 2;
        }
        const std::string_view value = argv[++i];
        bool ok = true;
        if (arg == "--records") ok = parse_count(value, o.records);
        else if (arg == "--seed") ok = parse_count(value, o.seed);
        else if (arg == "--output" || arg == "-o") o.output = std::string(value);
        else if (arg == "--line-ends" && (value == "lf" || value == "crlf")) o.line_end = value == "lf" ? "\n" : "\r\n";
        else if (arg == "--staging") ok = parse_staging(value, o.staging);
        else ok = false;
        if (!ok) {
            std::fprintf(stderr, "naaccr-sample: bad argument %s %s\n%s", argv[i - 1], argv[i], kUsage);
            return 2;
        }
    }
    if (o.output.empty()) {
        std::fprintf(stderr, "naaccr-sample: --output is needed\n%s", kUsage);
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const int code = parse(argc, argv, o)) return code < 0 ? 0 : code;
    std::FILE* out = std::fopen(o.output.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "naaccr-sample: cannot create %s: %s\n", o.output.c_str(), std::strerror(errno));
        return 1;
    }
    std::vector<char> block;
    block.reserve(std::size_t{4} << 20);
    bool ok = true;
    for (std::uint64_t i = 0; i < o.records && ok; ++i) {
        const std::string record = sample::make_record(o.seed, i, o.staging);
        block.insert(block.end(), record.begin(), record.end());
        block.insert(block.end(), o.line_end.begin(), o.line_end.end());
        if (block.size() >= (std::size_t{4} << 20) || i + 1 == o.records) {
            ok = std::fwrite(block.data(), 1, block.size(), out) == block.size();
            block.clear();
        }
    }
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "naaccr-sample: cannot write %s: %s\n", o.output.c_str(), std::strerror(errno));
        std::remove(o.output.c_str());
        return 1;
    }
    return 0;
}
