// SPDX-License-Identifier: Apache-2.0
#include "batch_run.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "console_text.h"
#include "conversion_run.h"
#include "file_checks.h"
#include "file_names.h"
#include "os_support.h"

namespace fs = std::filesystem;

namespace tarvos {
namespace {

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

}  // namespace

BatchPlan plan_batch(const RunOptions& shared, const std::string& output_dir, const std::vector<std::string>& inputs) {
    BatchPlan plan;
    std::set<std::string> names;
    for (const std::string& input : inputs) {
        const std::string name = file_name_of(input);
        if (name.empty()) {
            plan.refused.push_back("\"" + input + "\": no file name");
            continue;
        }
        if (!names.insert(name).second) {
            plan.refused.push_back("\"" + input + "\": another file of the batch is also named \"" + name +
                                   "\", and its output would replace that one's");
            continue;
        }
        RunOptions run = shared;
        run.input = input;
        run.output = joined(output_dir, name);
        plan.runs.push_back(std::move(run));
    }
    return plan;
}

int run_batch(const RunOptions& shared, const std::string& output_dir, const std::vector<std::string>& inputs,
              const RunOne& run_one) {
    std::error_code ec;
    if (!fs::is_directory(naaccr::os::path_of(output_dir), ec)) {
        naaccr::os::write_text(stderr, "tarvos: the output folder \"" + output_dir + "\" does not exist. Nothing was written.\n");
        return kExitFailed;
    }
    const BatchPlan plan = plan_batch(shared, output_dir, inputs);
    for (const std::string& why : plan.refused) naaccr::os::write_text(stderr, "tarvos: " + why + ". It was not converted.\n");
    std::size_t converted = 0, index = 0;
    const std::size_t total = inputs.size();
    for (const RunOptions& run : plan.runs) {
        ++index;
        if (!shared.quiet)
            naaccr::os::write_text(stderr, "File " + std::to_string(index) + " of " + std::to_string(plan.runs.size()) + ": " +
                                       run.input + "\n");
        const int code = run_one(run);
        if (code == 0) ++converted;
        if (interrupt_requested()) {
            naaccr::os::write_text(stderr, "tarvos: the batch was interrupted at \"" + run.input + "\"; " +
                                       std::to_string(converted) + " of " + std::to_string(total) +
                                       " files converted.\n");
            return interrupted_exit_code();
        }
    }
    if (!shared.quiet || converted != total)
        naaccr::os::write_text(stderr, std::to_string(converted) + " of " + std::to_string(total) + " files converted into \"" +
                                   output_dir + "\".\n");
    return converted == total ? 0 : kExitFailed;
}

}  // namespace tarvos
