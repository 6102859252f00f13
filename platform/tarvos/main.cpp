// tarvos: converts a NAACCR 14.0 file into a NAACCR 15.0 file through the
// conversion library, leaving the results database and reports beside the
// input.
#include <cstdio>
#include <string_view>
#include <vector>

#include "conversion_run.h"
#include "options.h"
#include "os_support.h"

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const tarvos::ParsedArguments parsed = tarvos::parse_arguments(args);
    switch (parsed.action) {
        case tarvos::Action::help: std::fputs(tarvos::usage_text().c_str(), stdout); return 0;
        case tarvos::Action::version: std::fputs(tarvos::version_text().c_str(), stdout); return 0;
        case tarvos::Action::usage_error:
            std::fprintf(stderr, "tarvos: %s\n\n%s", parsed.error.c_str(), tarvos::usage_text().c_str());
            return tarvos::kExitUsage;
        case tarvos::Action::run: break;
    }
    tarvos::install_interrupt_handlers();
    return tarvos::run_conversion(parsed.options);
}
