// SPDX-License-Identifier: Apache-2.0
#include "page_results.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "file_names.h"
#include "os_support.h"

namespace tarvos {

namespace {

// The messages first: the larger half of a run of many problems.
PageResults::Halves read_halves(const std::string& database, ResultsHalves gathered) {
    PageResults::Halves read;
    if (!gathered.messages)
        read.messages = read_message_results(database, false, std::move(gathered.message_counts),
                                             gathered.stage_problems);
    if (!gathered.conversions && read.messages.error.empty()) read.conversions = read_conversion_results(database);
    return read;
}

}  // namespace

void PageResults::start(const std::string& database, ResultsHalves gathered) {
    if (started()) return;  // started already, when the rows were all stored
    database_ = database;
    gathered_ = gathered;
    // The counts go to the reading alone, to be let go once it has used them.
    gathered_.message_counts.reset();
    try {
        read_ = std::async(std::launch::async, read_halves, database, std::move(gathered));
    } catch (const std::system_error&) {
    }
}

ResultsData PageResults::take(ResultsData gathered) {
    if (gathered_.both()) return gathered;
    Halves read = read_.valid() ? read_.get() : read_halves(database_, gathered_);
    if (gathered_.stage_problems) read.messages.stage_problems = std::move(gathered.stage_problems);
    if (gathered_.conversions) return join_results(std::move(gathered), std::move(read.messages));
    if (gathered_.messages) return join_results(std::move(read.conversions), std::move(gathered));
    return join_results(std::move(read.conversions), std::move(read.messages));
}

void PageResults::wait() {
    if (read_.valid()) read_.wait();
}

void EarlyFlush::start(const RunPlan& plan) {
    if (done_.valid()) return;  // started already
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
