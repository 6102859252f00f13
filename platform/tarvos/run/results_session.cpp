// SPDX-License-Identifier: Apache-2.0
#include "results_session.h"

#include "file_checks.h"
#include "file_names.h"
#include "vexlin150.h"

namespace tarvos {

ResultsSession::~ResultsSession() {
    if (open_) close();
}

bool ResultsSession::open() {
    path_ = library_path_of(plan_.private_folders.front(), file_name_of(plan_.results_path));
    int opened = 0;
    {
        const CurrentFolder here(path_.current_folder);
        opened = vexlin150_Initialize_file_conversion(path_.name.c_str());
    }
    open_ = true;
    if (opened == 1) return true;
    close();
    return false;
}

RecordConverter ResultsSession::converter() const {
    const int stage_options = plan_.stage_options;
    if (plan_.derive)
        return [stage_options](int n, char* record, unsigned char& restage, unsigned char& review) {
            return vexlin150_Convert_buffer_and_stage(n, record, 0, stage_options, &restage, &review);
        };
    return [](int n, char* record, unsigned char& restage, unsigned char& review) {
        return vexlin150_Convert_buffer_to_150(n, record, 0, &restage, &review);
    };
}

void ResultsSession::counters(int& conversions, int& reviewables, int& messages) const {
    vexlin150_Get_result_counters(&conversions, &reviewables, &messages);
}

void ResultsSession::close() {
    // The reports are named from the library's path: where it was opened.
    const CurrentFolder here(path_.current_folder);
    vexlin150_Close_file_conversion();
    open_ = false;
}

std::string ResultsSession::failure() const {
    std::string reason(1024, '\0');
    if (vexlin150_Get_results_failure(reason.data(), static_cast<int>(reason.size())) == 0) return {};
    reason = naaccr::os::utf8_from_interface(reason.substr(0, reason.find('\0')));
    if (reason.empty()) return "the results could not all be written";
    const std::string waiting = naaccr::os::utf8_from_interface(beside_files(path_.name).base);
    const std::string final_base = beside_files(plan_.input).base;
    for (std::size_t at = waiting.empty() ? std::string::npos : reason.find(waiting); at != std::string::npos;
         at = reason.find(waiting, at)) {
        reason.replace(at, waiting.size(), final_base);
        at += final_base.size();
    }
    return reason;
}

}  // namespace tarvos
