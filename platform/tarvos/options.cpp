#include "options.h"

#include <charconv>
#include <vector>

#include "gzip_output.h"

namespace tarvos {
namespace {

constexpr std::size_t kFrontEndValues = 8;

ParsedArguments usage_error(std::string message) {
    ParsedArguments parsed;
    parsed.action = Action::usage_error;
    parsed.error = std::move(message);
    return parsed;
}

template <typename T>
bool parse_number(std::string_view text, T low, T high, T& value) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// The front end puts each file name in double quotes; where its command line
// reaches the runner unsplit by a runtime, the quotes are still there.
std::string unquoted(std::string_view name) {
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    return std::string(name);
}

// "ajcc,ss1977,ss2000" or "all", in any order; each family once at most.
bool parse_stage_list(std::string_view list, int& options) {
    options = 0;
    if (list.empty()) return false;
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        int bit = 0;
        if (item == "ajcc") bit = kStageAjcc;
        else if (item == "ss1977") bit = kStageSs1977;
        else if (item == "ss2000") bit = kStageSs2000;
        else if (item == "all") bit = kStageAll;
        else return false;
        options |= bit;
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

ParsedArguments parse_front_end_form(std::span<const std::string_view> values) {
    ParsedArguments parsed;
    RunOptions& o = parsed.options;
    o.form = Form::front_end;
    o.input = unquoted(values[0]);
    o.output = unquoted(values[1]);
    if (o.input.empty() || o.output.empty()) return usage_error("file names must not be empty");
    if (values[2].size() != 1) return usage_error("record type must be one letter, not '" + std::string(values[2]) + "'");
    o.record_type = values[2][0];
    if (!parse_number(values[3], 0, 3, o.line_end_code))
        return usage_error("line-end code must be 0 to 3, not '" + std::string(values[3]) + "'");
    if (!parse_number(values[4], 1L, 0x7fffffffL, o.record_length))
        return usage_error("record length must be a positive number, not '" + std::string(values[4]) + "'");
    if (!parse_number(values[5], 0, kStageAll, o.stage_options))
        return usage_error("stage options must be 0 to 7, not '" + std::string(values[5]) + "'");
    if (values[6] == "true") o.derive = true;
    else if (values[6] == "false") o.derive = false;
    else return usage_error("derive must be 'true' or 'false', not '" + std::string(values[6]) + "'");
    if (!parse_number(values[7], std::uint64_t{0}, UINT64_MAX, o.record_count))
        return usage_error("record count must be a number, not '" + std::string(values[7]) + "'");
    parsed.action = Action::run;
    return parsed;
}

}  // namespace

ParsedArguments parse_arguments(std::span<const std::string_view> args) {
    ParsedArguments parsed;
    RunOptions& o = parsed.options;
    std::vector<std::string_view> names;
    bool any_option = false, stage_given = false, no_stage_given = false, options_done = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            names.push_back(arg);
            continue;
        }
        any_option = true;
        if (arg == "--") {
            options_done = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.action = Action::help;
            return parsed;
        } else if (arg == "--version") {
            parsed.action = Action::version;
            return parsed;
        } else if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
        } else if (arg == "--no-summary") {
            o.summary = false;
        } else if (arg == "--no-sync") {
            o.sync = false;
        } else if (arg == "--phase-times") {
            o.phase_times = true;
        } else if (arg == "--output-dir" || arg.starts_with("--output-dir=")) {
            if (arg == "--output-dir") {
                if (i + 1 == args.size()) return usage_error("--output-dir needs a folder");
                parsed.output_dir = std::string(args[++i]);
            } else {
                parsed.output_dir = std::string(arg.substr(13));
            }
            if (parsed.output_dir.empty()) return usage_error("--output-dir needs a folder");
        } else if (arg == "--no-stage") {
            no_stage_given = true;
            o.derive = false;
        } else if (arg == "--stage" || arg.starts_with("--stage=")) {
            std::string_view list;
            if (arg == "--stage") {
                if (i + 1 == args.size()) return usage_error("--stage needs a list: ajcc,ss1977,ss2000 or all");
                list = args[++i];
            } else {
                list = arg.substr(8);
            }
            if (!parse_stage_list(list, o.stage_options))
                return usage_error("unknown stage list '" + std::string(list) + "': use ajcc, ss1977, ss2000 or all, separated by commas");
            stage_given = true;
        } else {
            return usage_error("unknown option '" + std::string(arg) + "'");
        }
    }
    if (stage_given && no_stage_given) return usage_error("--stage and --no-stage exclude each other");
    if (!parsed.output_dir.empty()) {
        if (names.empty()) return usage_error("--output-dir needs the input files to convert");
        for (const std::string_view name : names) {
            if (name.empty()) return usage_error("file names must not be empty");
            parsed.inputs.emplace_back(name);
        }
        o.form = Form::person;
        parsed.action = Action::batch;
        return parsed;
    }
    if (names.size() == kFrontEndValues && !any_option) return parse_front_end_form(names);
    if (names.size() != 2)
        return usage_error(names.size() < 2 ? "an input and an output file are needed"
                                            : "too many arguments: give one input and one output file");
    o.form = Form::person;
    o.input = std::string(names[0]);
    o.output = std::string(names[1]);
    if (o.input.empty() || o.output.empty()) return usage_error("file names must not be empty");
    parsed.action = Action::run;
    return parsed;
}

std::string usage_text() {
    return std::string("Usage: tarvos [--stage LIST | --no-stage] [--quiet] [--no-summary] [--no-sync] INPUT OUTPUT\n"
           "       tarvos [--stage LIST | --no-stage] [--quiet] [--no-summary] --output-dir DIR INPUT...\n"
           "       tarvos INPUT OUTPUT TYPE LINEEND LENGTH STAGEOPTIONS DERIVE COUNT\n"
           "\n"
           "Converts the NAACCR 14.0 file INPUT into the NAACCR 15.0 file OUTPUT. The\n"
           "results database (.db), the reports of messages (.mes), reviewables (.rev)\n"
           "and conversions (.cnv), the run log (.log) and a summary page (.html) are\n"
           "written beside INPUT, named from it less its extension (less both of\n"
           "in.txt.gz: in.db, in.mes, ...).\n"
           "\n"
           "A gzip-compressed INPUT (known by its first bytes, whatever its name) is\n"
           "unpacked as it is read, never to disk; a damaged or cut-short one is\n"
           "refused. An OUTPUT whose name ends in .gz is written gzip-compressed (zlib\n"
           "level " + std::to_string(kGzipOutputLevel) + ", the fastest); any other OUTPUT is written plain.\n"
           "\n"
           "  --output-dir DIR  convert each INPUT into DIR under its own name; one\n"
           "                file's refusal does not stop the others, and the exit\n"
           "                code is 0 only when every file converted\n"
           "  --stage LIST  derive Collaborative Stage again for restaged cases, writing\n"
           "                the families in LIST: ajcc, ss1977, ss2000 or all, separated\n"
           "                by commas (default: all)\n"
           "  --no-stage    do not derive stage\n"
           "  --quiet       no progress bar and no summary\n"
           "  --no-summary  write no summary page (.html) beside INPUT\n"
           "  --no-sync     for benchmarks: put the output in place without waiting\n"
           "                for it to reach the disk (a crash can then lose it)\n"
           "  --phase-times for benchmarks: print how long each phase of the run took\n"
           "  --help        show this text\n"
           "  --version     show the versions of the runner and its libraries\n"
           "\n"
           "The second form is the one the conversion dialog uses: the file's record\n"
           "type, line-end code, record length, stage options (1 SEER Summary Stage\n"
           "1977, 2 SEER Summary Stage 2000, 4 AJCC), true or false for deriving stage,\n"
           "and the record count.\n");
}

}  // namespace tarvos
