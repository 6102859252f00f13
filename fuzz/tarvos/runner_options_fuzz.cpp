// SPDX-License-Identifier: Apache-2.0
// Fuzzes the runner's argument parsing: the input is split at NUL bytes into
// an argument list. Whatever the list, the parse ends in one action, and a run
// carries values the conversion can use.
#include <cstdint>
#include <string_view>
#include <vector>

#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    std::vector<std::string_view> args;
    std::size_t start = 0;
    while (start <= data.size() && args.size() < 64) {
        const std::size_t nul = data.find('\0', start);
        const std::size_t end = nul == std::string_view::npos ? data.size() : nul;
        args.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    const tarvos::ParsedArguments parsed = tarvos::parse_arguments(args);
    const tarvos::RunOptions& o = parsed.options;
    switch (parsed.action) {
        case tarvos::Action::usage_error:
            if (parsed.error.empty()) __builtin_trap();
            break;
        case tarvos::Action::run:
            if (o.input.empty() || o.output.empty()) __builtin_trap();
            if (o.stage_options < 0 || o.stage_options > tarvos::kStageAll) __builtin_trap();
            if (o.form == tarvos::Form::front_end) {
                if (o.line_end_code < 0 || o.line_end_code > 3 || o.record_length < 1) __builtin_trap();
            }
            break;
        case tarvos::Action::help:
        case tarvos::Action::version: break;
    }
    return 0;
}
