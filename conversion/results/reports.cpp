// SPDX-License-Identifier: Apache-2.0
// The three text reports written beside the input at the close of a file conversion.
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "file_names.h"
#include "results_store.h"
#include "store_files.h"
#include "table_listing.h"

namespace vexlin {
namespace {

struct Report {
    std::string_view suffix;
    std::string_view table;
};

constexpr std::array<Report, 3> kReports = {{
    {"mes", "messages"},
    {"rev", "reviewables"},
    {"cnv", "conversions"},
}};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

int ResultsStore::write_reports() {
    // Without an input path there is nothing to write the reports beside.
    if (!file_conversion_ || input_path_.empty()) return 0;
    const std::array<int, 3> counts = {messages_, reviewables_, conversions_};
    for (std::size_t i = 0; i < kReports.size(); ++i) {
        const std::string name = base_path_ + "." + std::string(kReports[i].suffix);
        // An input that carries a report's name is never overwritten.
        if (same_file(name, input_path_)) continue;
        const std::string table(kReports[i].table);
        const auto cannot = [&](std::string_view what) {
            note_failure(kReportWriteFailed, std::string(what) + " the report \"" + name + "\": " + std::strerror(errno));
        };
        // Text mode: the lines end the way the platform's editors expect.
        errno = 0;
        std::unique_ptr<std::FILE, FileCloser> out(naaccr::os::open_file(name, "wt"));
        if (!out) {
            cannot("cannot create");
            continue;
        }
        // The listing goes to the file as it is read, a piece at a time.
        std::FILE* file = out.get();
        const bool written = list_table_section(db_, table, counts[i], last_result_,
                                                [file](std::string_view piece) {
                                                    return std::fwrite(piece.data(), 1, piece.size(), file) ==
                                                           piece.size();
                                                }) &&
                             std::fflush(file) == 0 && !std::ferror(file);
        if (counts[i] > 0 && last_result_ != 0) note_database_failure(last_result_, "cannot read the " + table + " table of");
        if (!written) cannot("cannot write");
        if (std::fclose(out.release()) != 0 && written) cannot("cannot write");
    }
    return 0;
}

}  // namespace vexlin
