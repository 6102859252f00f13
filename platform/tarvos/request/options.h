// SPDX-License-Identifier: Apache-2.0
// The runner's command line. Three forms:
//   the front end's: tarvos INPUT OUTPUT TYPE LINEEND LENGTH STAGEOPTIONS DERIVE COUNT
//   a person's:      tarvos [--stage LIST|--no-stage] [--quiet] [--no-sync] INPUT OUTPUT
//   a batch:         tarvos [options] --output-dir DIR INPUT...
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvos {

// Stage options of the conversion library: SEER Summary Stage 1977, 2000, AJCC.
inline constexpr int kStageSs1977 = 1;
inline constexpr int kStageSs2000 = 2;
inline constexpr int kStageAjcc = 4;
inline constexpr int kStageAll = kStageSs1977 | kStageSs2000 | kStageAjcc;

// The fastest of zlib's levels: the conversion is not held up, and NAACCR
// records, mostly blanks, still shrink to a small part of their size.
inline constexpr int kGzipOutputLevel = 1;

// Whether the output of that name is written gzip-compressed: it ends in
// ".gz", in any letter case.
bool is_gzip_name(std::string_view path);

enum class Form { front_end, person };

struct RunOptions {
    Form form = Form::person;
    std::string input;
    std::string output;
    bool derive = true;           // recompute Collaborative Stage after the rules
    int stage_options = kStageAll;
    bool quiet = false;           // no progress bar, no summary
    bool summary = true;          // the summary page beside the input
    // The output reaches the disk before it is put in place; leaving that out
    // is for benchmarks only.
    bool sync = true;
    bool phase_times = false;  // print how long each phase took (benchmarks)
    // The file's values as the front end found them (front-end form only).
    char record_type = 0;
    int line_end_code = 0;
    long record_length = 0;
    std::uint64_t record_count = 0;
};

enum class Action { run, batch, help, version, usage_error };

struct ParsedArguments {
    Action action = Action::usage_error;
    RunOptions options;  // for batch: the options every file shares
    std::string error;   // for usage_error
    // A batch: each input is converted into output_dir under its own name.
    std::string output_dir;
    std::vector<std::string> inputs;
};

// args are the arguments after the program name.
ParsedArguments parse_arguments(std::span<const std::string_view> args);

std::string usage_text();

}  // namespace tarvos
