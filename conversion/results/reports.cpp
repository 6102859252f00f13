// The three text reports written beside the input at the close of a file conversion.
#include <array>
#include <fstream>
#include <string_view>

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

}  // namespace

int ResultsStore::write_reports() {
    if (!file_conversion_) return 0;
    const std::array<int, 3> counts = {messages_, reviewables_, conversions_};
    for (std::size_t i = 0; i < kReports.size(); ++i) {
        const std::string name = base_path_ + "." + std::string(kReports[i].suffix);
        // An input that carries a report's name is never overwritten.
        if (same_file(name, input_path_)) continue;
        // Text mode: the lines end the way the platform's editors expect.
        std::ofstream out(name, std::ios::out | std::ios::trunc);
        if (!out) continue;
        out << table_section(db_, kReports[i].table, counts[i], last_result_);
    }
    return 0;
}

}  // namespace vexlin
