// SPDX-License-Identifier: Apache-2.0
#include "fake_ports.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "resource.h"

namespace quillmar::testing {

void FakeView::set_text(int control, std::string_view text) {
    texts_[control] = std::string(text);
    if (controller == nullptr) return;
    if (control == IDC_INPUT_PATH) controller->input_changed();
    if (control == IDC_OUTPUT_PATH) controller->output_changed();
}

std::string FakeView::text(int control) const {
    const auto it = texts_.find(control);
    return it == texts_.end() ? std::string{} : it->second;
}

bool FakeView::is_checked(int control) const {
    const auto it = checked_.find(control);
    return it != checked_.end() && it->second;
}

bool FakeView::enabled(int control) const {
    const auto it = enabled_.find(control);
    return it == enabled_.end() || it->second;   // controls start enabled
}

void FakeView::show_message(std::string_view text, std::string_view caption, MessageIcon icon) {
    messages.push_back({std::string(text), std::string(caption), icon});
}

bool FakeView::start_process(const std::string& program, const std::string& command_line, std::string& error) {
    if (start_fails) {
        error = "The system cannot find the file specified.";
        return false;
    }
    started.push_back({program, command_line});
    return true;
}

void FakeView::type(int control, std::string_view text) { set_text(control, text); }

void FakeView::click_box(int control) {
    checked_[control] = !is_checked(control);
    if (control == IDC_DERIVE_CS && controller != nullptr) controller->derive_cs_toggled();
}

std::string FakeFiles::full_path(const std::string& path) {
    std::string joined = path.size() >= 2 && path[1] == ':' ? path : current_directory + "\\" + path;
    std::replace(joined.begin(), joined.end(), '/', '\\');
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        const std::size_t end = std::min(joined.find('\\', start), joined.size());
        const std::string part = joined.substr(start, end - start);
        if (part == "..") {
            if (parts.size() > 1) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string full;
    for (const std::string& part : parts) full += (full.empty() ? "" : "\\") + part;
    return full;
}

std::string FakeFiles::key(const std::string& path) {
    std::string full = full_path(path);
    std::transform(full.begin(), full.end(), full.begin(), [](unsigned char c) { return std::tolower(c); });
    return full;
}

bool FakeFiles::is_regular_file(const std::string& path) { return files_.contains(key(path)); }

void FakeFiles::start_check(CheckId check, const std::string& path) {
    described.push_back(path);
    checks.push_back({check, path});
}

void FakeFiles::stop_check(CheckId check) {
    for (Check& c : checks)
        if (c.id == check) c.stop_asked = true;
}

void FakeFiles::finish_checks(DialogController& controller) {
    const std::vector<Check> reading = std::exchange(checks, {});
    for (const Check& check : reading) controller.check_finished(check.id, describe(check.path));
}

FileInfoResult FakeFiles::describe(const std::string& path) {
    const auto it = files_.find(key(path));
    return it == files_.end() ? unreadable_file("cannot open") : it->second;
}

bool FakeFiles::same_file(const std::string& a, const std::string& b) {
    const auto ia = identity_.find(key(a));
    const auto ib = identity_.find(key(b));
    return ia != identity_.end() && ib != identity_.end() && ia->second == ib->second;
}

void FakeFiles::add_file(const std::string& path, FileInfoResult result) {
    files_[key(path)] = std::move(result);
    identity_[key(path)] = key(path);
}

void FakeFiles::add_link(const std::string& existing, const std::string& link) {
    files_[key(link)] = files_.at(key(existing));
    identity_[key(link)] = identity_.at(key(existing));
}

void FakeFiles::add_directory(const std::string& path) { directories_.insert(key(path)); }

bool FakeHelp::load_library(const std::string& path) {
    load_calls.push_back(path);
    return loadable.contains(path);
}

FileInfoResult naaccr_file(std::string version, std::uint32_t count) {
    FileInfoResult result;
    result.info = FileInfo{.record_type = "A", .version = std::move(version), .line_end_code = 3,
                           .record_length = 22824, .record_count = count};
    return result;
}

FileInfoResult unreadable_file(std::string error_text) {
    FileInfoResult result;
    result.status = 3;
    result.error_text = std::move(error_text);
    return result;
}

}  // namespace quillmar::testing
