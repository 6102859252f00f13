// SPDX-License-Identifier: Apache-2.0
#include "run_plan.h"

#include "file_names.h"
#include "os_support.h"

namespace tarvos {
namespace {

std::string not_as_chosen(const std::string& input, const std::vector<std::string>& differ) {
    if (differ.empty()) return {};
    std::string text = "the file \"" + input + "\" is not as it was when it was chosen: ";
    for (std::size_t i = 0; i < differ.size(); ++i) text += (i ? ", " : "") + differ[i];
    return text + "; choose it again";
}

// The values the dialog stated for the file that its first record tells
// (record type, line ends, record length) against what it holds: they differ
// when the file changed after the dialog looked at it. The record count is
// checked once the records are read.
std::string stated_values_differ(const RunOptions& o, const FileShape& found) {
    std::vector<std::string> differ;
    if (o.record_type != found.record_type)
        differ.push_back(std::string("record type ") + o.record_type + " (the file has " + found.record_type + ")");
    if (o.line_end_code != line_end_code(found.line_end))
        differ.push_back("line-end code " + std::to_string(o.line_end_code) + " (the file has " +
                         std::to_string(line_end_code(found.line_end)) + ")");
    if (o.record_length != static_cast<long>(found.record_length))
        differ.push_back("record length " + std::to_string(o.record_length) + " (the file has " +
                         std::to_string(found.record_length) + ")");
    return not_as_chosen(o.input, differ);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> RunPlan::beside_pairs() const {
    std::vector<std::pair<std::string, std::string>> pairs = {{beside_part.database, beside.database},
                                                              {beside_part.messages, beside.messages},
                                                              {beside_part.reviewables, beside.reviewables},
                                                              {beside_part.conversions, beside.conversions}};
    if (run_log) pairs.emplace_back(beside_part.run_log, beside.run_log);
    // Without a page this time, an earlier run's is removed with the rest.
    if (!page_is_input) pairs.emplace_back(beside_part.summary_page, beside.summary_page);
    return pairs;
}

std::string placement_journal_of(const std::string& input) {
    const std::string base = beside_files(input).base;
    return folder_of(base) + "." + file_name_of(base) + ".tarvos-journal";
}

std::string stated_count_refusal(const RunPlan& plan, std::uint64_t records) {
    if (!plan.stated_records || *plan.stated_records == records) return {};
    return not_as_chosen(plan.input, {"record count " + std::to_string(*plan.stated_records) + " (the file has " +
                                      std::to_string(records) + ")"});
}

PlanResult plan_run(const RunOptions& o, const FileShape& shape, const std::string& run_id) {
    PlanResult result;
    if (o.form == Form::front_end) result.refusal = stated_values_differ(o, shape);
    RunPlan& p = result.plan;
    p.input = o.input;
    p.output = o.output;
    p.beside = beside_files(o.input);
    const std::string input_folder = folder_of(p.beside.base), output_folder = folder_of(o.output);
    p.private_folders.push_back(input_folder + ".tarvos-" + run_id);
    if (!same_file(input_folder.empty() ? "." : input_folder, output_folder.empty() ? "." : output_folder))
        p.private_folders.push_back(output_folder + ".tarvos-" + run_id);
    p.output_part = p.private_folders.back() + "/" + file_name_of(o.output);
    // The conversion library takes the name through a char interface (the
    // ANSI code page on Windows): a base name without a form there waits
    // under one that has.
    std::string stem = file_name_of(p.beside.base);
    if (!naaccr::os::interface_from_utf8(stem)) stem = "results";
    p.results_path = p.private_folders.front() + "/" + stem + ".part";
    p.beside_part = beside_files(p.results_path);
    p.journal = placement_journal_of(o.input);
    // An input named like the run log (in.log) keeps its name and content.
    p.run_log = !same_file(p.beside.run_log, o.input);
    p.page_is_input = same_file(p.beside.summary_page, o.input);
    p.summary_page = o.summary && !p.page_is_input;
    p.record_type = shape.record_type;
    p.record_length = shape.record_length;
    if (o.form == Form::front_end) p.stated_records = o.record_count;
    p.derive = o.derive;
    p.stage_options = o.stage_options;
    p.sync = o.sync;
    p.phase_times = o.phase_times;
    return result;
}

}  // namespace tarvos
