// tarvos: converts a NAACCR 14.0 file into a NAACCR 15.0 file through the
// conversion library, leaving the results database and reports beside the
// input.
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "batch_run.h"
#include "conversion_run.h"
#include "input_lock.h"
#include "options.h"
#include "os_support.h"
#include "run_report.h"
#if defined(_WIN32)
#  include "run_window_win32.h"
#endif

int main(int argc, char** argv) {
    tarvos::share_one_heap();
    std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const tarvos::ParsedArguments parsed = tarvos::parse_arguments(args);
    switch (parsed.action) {
        case tarvos::Action::help: std::fputs(tarvos::usage_text().c_str(), stdout); return 0;
        case tarvos::Action::version: std::fputs(tarvos::version_text().c_str(), stdout); return 0;
        case tarvos::Action::usage_error:
            std::fprintf(stderr, "tarvos: %s\n\n%s", parsed.error.c_str(), tarvos::usage_text().c_str());
            return tarvos::kExitUsage;
        case tarvos::Action::run:
        case tarvos::Action::batch: break;
    }
    // The dialog's form on Windows: no console; a progress window and a closing message box.
    std::unique_ptr<tarvos::RunReporter> window;
#if defined(_WIN32)
    if (parsed.options.form == tarvos::Form::front_end) window = tarvos::open_run_window(parsed.options.input);
#endif
    tarvos::set_run_reporter(window.get());
    tarvos::install_interrupt_handlers();
    // One run per input, and per set of result names, at a time.
    const auto run_locked = [](const tarvos::RunOptions& options) {
        tarvos::InputLock input_lock;
        if (!input_lock.acquire(options.input))
            return tarvos::refuse_run(tarvos::input_in_use_message(options.input));
        tarvos::ResultsLock results_lock;
        if (const std::string busy = results_lock.acquire(options.input); !busy.empty())
            return tarvos::refuse_run(busy);
        return tarvos::run_conversion(options);
    };
    const int exit_code = parsed.action == tarvos::Action::batch
                              ? tarvos::run_batch(parsed.options, parsed.output_dir, parsed.inputs, run_locked)
                              : run_locked(parsed.options);
    if (window) window->closed();  // the closing message box, once the input is free again
    return exit_code;
}
