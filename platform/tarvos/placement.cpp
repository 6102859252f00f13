#include "placement.h"

#include <filesystem>
#include <system_error>

#include "os_support.h"

namespace fs = std::filesystem;

namespace tarvos {

Placement put_in_place(const RunPlan& plan) {
    Placement placed;
    placed.failure = replace_file(plan.output_part, plan.output);
    if (!placed.failure.empty()) return placed;
    for (const auto& [part, final_name] : plan.beside_pairs()) {
        std::error_code ec;
        if (same_file(final_name, plan.input)) continue;
        if (fs::exists(fs::path(part), ec)) {
            if (const std::string why = replace_file(part, final_name); !why.empty()) {
                placed.problems.push_back("cannot put \"" + final_name + "\" in place: " + why);
                fs::remove(fs::path(part), ec);
            }
        } else {
            fs::remove(fs::path(final_name), ec);
        }
    }
    return placed;
}

void remove_temporary_files(const RunPlan& plan) {
    std::error_code ec;
    fs::remove(fs::path(plan.output_part), ec);
    for (const auto& [part, final_name] : plan.beside_pairs()) fs::remove(fs::path(part), ec);
    // The run log's temporary file, also when the plan keeps no run log.
    fs::remove(fs::path(plan.beside_part.run_log), ec);
    fs::remove(fs::path(plan.beside_part.summary_page), ec);
}

}  // namespace tarvos
