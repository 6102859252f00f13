// SPDX-License-Identifier: Apache-2.0
// tarvos: converts a NAACCR 14.0 file into a NAACCR 15.0 file through the
// conversion library, leaving the results database and reports beside the
// input.
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "batch_run.h"
#include "command_line.h"
#include "console_text.h"
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
    // The arguments as UTF-8, on Windows from the wide command line: a file
    // name outside the ANSI code page arrives whole.
    const std::vector<std::string> words = naaccr::os::arguments_in_utf8(argc, argv);
    const std::vector<std::string_view> args(words.begin(), words.end());
    const tarvos::ParsedArguments parsed = tarvos::parse_arguments(args);
    switch (parsed.action) {
        case tarvos::Action::help: naaccr::os::write_text(stdout, tarvos::usage_text()); return 0;
        case tarvos::Action::version: naaccr::os::write_text(stdout, tarvos::version_text()); return 0;
        case tarvos::Action::usage_error:
            naaccr::os::write_text(stderr, "tarvos: " + parsed.error + "\n\n" + tarvos::usage_text());
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
