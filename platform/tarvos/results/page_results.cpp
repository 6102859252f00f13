// SPDX-License-Identifier: Apache-2.0
#include "page_results.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "file_names.h"
#include "os_support.h"

namespace tarvos {

void PageResults::start(const std::string& database) {
    database_ = database;
    try {
        conversions_ = std::async(std::launch::async, read_conversion_results, database);
        messages_ = std::async(std::launch::async, read_message_results, database);
    } catch (const std::system_error&) {
    }
}

ResultsData PageResults::take() {
    ResultsData conversions = conversions_.valid() ? conversions_.get() : read_conversion_results(database_);
    ResultsData messages = messages_.valid() ? messages_.get() : read_message_results(database_);
    return join_results(std::move(conversions), std::move(messages));
}

void PageResults::wait() {
    if (conversions_.valid()) conversions_.wait();
    if (messages_.valid()) messages_.wait();
}

void EarlyFlush::start(const RunPlan& plan) {
    std::vector<std::string> parts;
    for (const auto& [part, final_name] : plan.beside_pairs()) {
        std::error_code ec;
        if (part != plan.beside_part.summary_page && std::filesystem::exists(naaccr::os::path_of(part), ec))
            parts.push_back(part);
    }
    const auto flush_all = [](std::vector<std::string> paths) {
        for (const std::string& path : paths)
            if (std::string why = flush_file(path); !why.empty()) return "cannot flush \"" + path + "\" to disk: " + why;
        return std::string();
    };
    try {
        done_ = std::async(std::launch::async, flush_all, std::move(parts));
    } catch (const std::system_error&) {
        // No thread: the placement flushes them all, as ever.
    }
}

std::string EarlyFlush::wait() { return done_.valid() ? done_.get() : std::string(); }

}  // namespace tarvos
