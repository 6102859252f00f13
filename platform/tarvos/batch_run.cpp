#include "batch_run.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "conversion_run.h"
#include "file_checks.h"
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
    if (!fs::is_directory(fs::path(output_dir), ec)) {
        std::fprintf(stderr, "tarvos: the output folder \"%s\" does not exist. Nothing was written.\n",
                     output_dir.c_str());
        return kExitFailed;
    }
    const BatchPlan plan = plan_batch(shared, output_dir, inputs);
    for (const std::string& why : plan.refused) std::fprintf(stderr, "tarvos: %s. It was not converted.\n", why.c_str());
    std::size_t converted = 0, index = 0;
    const std::size_t total = inputs.size();
    for (const RunOptions& run : plan.runs) {
        ++index;
        if (!shared.quiet) std::fprintf(stderr, "File %zu of %zu: %s\n", index, plan.runs.size(), run.input.c_str());
        const int code = run_one(run);
        if (code == 0) ++converted;
        if (interrupt_requested()) {
            std::fprintf(stderr, "tarvos: the batch was interrupted at \"%s\"; %zu of %zu files converted.\n",
                         run.input.c_str(), converted, total);
            return interrupted_exit_code();
        }
    }
    if (!shared.quiet || converted != total)
        std::fprintf(stderr, "%zu of %zu files converted into \"%s\".\n", converted, total, output_dir.c_str());
    return converted == total ? 0 : kExitFailed;
}

}  // namespace tarvos
