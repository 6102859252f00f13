// SPDX-License-Identifier: Apache-2.0
#include "options.h"

#include <charconv>
#include <vector>

namespace tarvos {

bool is_gzip_name(std::string_view path) {
    if (path.size() < 3) return false;
    const std::string_view end = path.substr(path.size() - 3);
    return end[0] == '.' && (end[1] == 'g' || end[1] == 'G') && (end[2] == 'z' || end[2] == 'Z');
}

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

namespace {

// The options of a person's command line that set a flag.
struct Flag {
    std::string_view name, short_name;
    bool RunOptions::*field;
    bool value;
};
constexpr Flag kFlags[] = {
    {"--quiet", "-q", &RunOptions::quiet, true},
    {"--no-summary", "", &RunOptions::summary, false},
    {"--no-sync", "", &RunOptions::sync, false},
    {"--phase-times", "", &RunOptions::phase_times, true},
    {"--no-stage", "", &RunOptions::derive, false},
};

// A command line read word by word: the options first taken, then the file
// names decide the form.
class ArgumentReader {
public:
    explicit ArgumentReader(std::span<const std::string_view> args) : args_(args) {}

    ParsedArguments read() {
        for (i_ = 0; i_ < args_.size(); ++i_) {
            const std::string_view arg = args_[i_];
            if (options_done_ || arg.size() < 2 || arg[0] != '-') {
                names_.push_back(arg);
                continue;
            }
            any_option_ = true;
            if (!take_option(arg)) return parsed_;
        }
        if (stage_given_ && !parsed_.options.derive) return usage_error("--stage and --no-stage exclude each other");
        return forms();
    }

private:
    // False when the reading ends here: help, version or a usage error.
    bool take_option(std::string_view arg) {
        if (arg == "--") return options_done_ = true;
        if (arg == "--help" || arg == "-h") return parsed_.action = Action::help, false;
        if (arg == "--version") return parsed_.action = Action::version, false;
        for (const Flag& f : kFlags)
            if (arg == f.name || (!f.short_name.empty() && arg == f.short_name)) return parsed_.options.*f.field = f.value, true;
        std::string_view value;
        if (valued(arg, "--output-dir", value)) {
            parsed_.output_dir = std::string(value);
            return !parsed_.output_dir.empty() || (parsed_ = usage_error("--output-dir needs a folder"), false);
        }
        if (valued(arg, "--stage", value)) {
            stage_given_ = true;
            if (parse_stage_list(value, parsed_.options.stage_options)) return true;
            parsed_ = usage_error(value.empty() ? "--stage needs a list: ajcc,ss1977,ss2000 or all"
                                                : "unknown stage list '" + std::string(value) +
                                                      "': use ajcc, ss1977, ss2000 or all, separated by commas");
            return false;
        }
        parsed_ = usage_error("unknown option '" + std::string(arg) + "'");
        return false;
    }

    // Whether arg is the option name, as "NAME VALUE" or "NAME=VALUE"; its
    // value, empty when it has none.
    bool valued(std::string_view arg, std::string_view name, std::string_view& value) {
        if (arg == name) {
            value = i_ + 1 < args_.size() ? args_[++i_] : std::string_view();
            return true;
        }
        if (arg.size() <= name.size() || !arg.starts_with(name) || arg[name.size()] != '=') return false;
        value = arg.substr(name.size() + 1);
        return true;
    }

    // A batch, the front end's form, or a person's input and output.
    ParsedArguments forms() {
        RunOptions& o = parsed_.options;
        if (!parsed_.output_dir.empty()) {
            if (names_.empty()) return usage_error("--output-dir needs the input files to convert");
            for (const std::string_view name : names_) {
                if (name.empty()) return usage_error("file names must not be empty");
                parsed_.inputs.emplace_back(name);
            }
            o.form = Form::person;
            parsed_.action = Action::batch;
            return parsed_;
        }
        if (names_.size() == kFrontEndValues && !any_option_) return parse_front_end_form(names_);
        if (names_.size() != 2)
            return usage_error(names_.size() < 2 ? "an input and an output file are needed"
                                                 : "too many arguments: give one input and one output file");
        o.form = Form::person;
        o.input = std::string(names_[0]);
        o.output = std::string(names_[1]);
        if (o.input.empty() || o.output.empty()) return usage_error("file names must not be empty");
        parsed_.action = Action::run;
        return parsed_;
    }

    std::span<const std::string_view> args_;
    std::size_t i_ = 0;
    ParsedArguments parsed_;
    std::vector<std::string_view> names_;
    bool any_option_ = false, stage_given_ = false, options_done_ = false;
};

}  // namespace

ParsedArguments parse_arguments(std::span<const std::string_view> args) { return ArgumentReader(args).read(); }

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
