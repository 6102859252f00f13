// SPDX-License-Identifier: Apache-2.0
// Size and write time of the summary page: converts a generated file of
// --records abstracts (20,000 by default), then reads its results database
// and writes the page again, best of three; then does the same on a copy of
// the database grown to the rows of a run of --scale-to records (1,000,000
// by default; 0 leaves it out), each row copied under new record numbers.
//   summary_page_bench [--records N] [--scale-to M] [--dir FOLDER]
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "summary_data.h"
#include "summary_page.h"

namespace fs = std::filesystem;

namespace {

struct Measured {
    double read_ms = 1e30, write_ms = 1e30;
    std::uintmax_t bytes = 0;
    tarvos::ResultsData data;
};

Measured measure(const std::string& db, const std::string& page, std::uint64_t records) {
    Measured m;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        tarvos::PageContent c;
        c.input = "in.dat";
        c.records = c.counts.written = records;
        c.results = tarvos::read_results(db);
        const auto read = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) c.notes.push_back("line " + std::to_string(i + 1) + ", Patient ID 12345678: stage error\n");
        c.notes_total = records / 10;
        fs::remove(page);  // the page is written as a new file
        if (const std::string error = tarvos::write_summary_page(page, c); !error.empty()) {
            std::fprintf(stderr, "summary_page_bench: %s\n", error.c_str());
            std::exit(1);
        }
        const auto written = std::chrono::steady_clock::now();
        m.read_ms = std::min(m.read_ms, std::chrono::duration<double, std::milli>(read - start).count());
        m.write_ms = std::min(m.write_ms, std::chrono::duration<double, std::milli>(written - read).count());
        m.data = std::move(c.results);
    }
    m.bytes = fs::file_size(page);
    return m;
}

void print(const char* what, const Measured& m) {
    std::printf("%s: %llu conversions, %llu reviewables, %llu messages\n", what,
                static_cast<unsigned long long>(m.data.conversions),
                static_cast<unsigned long long>(m.data.reviewable_rows), static_cast<unsigned long long>(m.data.messages));
    std::printf("  page %.2f MB; results read in %.1f ms, page built and written in %.1f ms (best of 3)\n",
                static_cast<double>(m.bytes) / 1e6, m.read_ms, m.write_ms);
}

// Copies every row of the three tables factor - 1 times, record numbers moved on by records each time.
bool grow(const std::string& db_path, long records, long factor) {
    sqlite3* db = nullptr;
    if (sqlite3_open(db_path.c_str(), &db) != SQLITE_OK) return false;
    const std::string k = "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < " +
                          std::to_string(factor - 1) + ") ";
    const std::string shift = " + i * " + std::to_string(records);
    const std::string sql =
        "BEGIN;"
        "INSERT INTO conversions " + k + "SELECT recordNum" + shift +
        ", patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital, conversionType, v14Hist, v14Grade,"
        " v14Site, v14CountryCode, v15Hist, v15Grade, v15Site, v15CountryCode FROM conversions, k;"
        "INSERT INTO reviewables " + k + "SELECT recordNum" + shift +
        ", patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital, v14Hist, v14Grade, v14Site, v15Hist,"
        " v15Grade, v15Site FROM reviewables, k;"
        "INSERT INTO messages " + k + "SELECT sequence" + shift + ", id, msg FROM messages, k;"
        "COMMIT;";
    const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) std::fprintf(stderr, "summary_page_bench: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    long records = 20000, scale_to = 1000000;
    fs::path dir = fs::temp_directory_path() / "summary-page-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--records") records = std::stol(argv[i + 1]);
        else if (a == "--scale-to") scale_to = std::stol(argv[i + 1]);
        else if (a == "--dir") dir = argv[i + 1];
    }
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string in = (dir / "in.dat").string(), out = (dir / "out.dat").string();
    const std::string generate = std::string(GENERATOR_PATH) + " --records " + std::to_string(records) +
                                 " --seed 1 --output '" + in + "' > /dev/null";
    const std::string convert = std::string(TARVOS_PATH) + " --quiet --no-sync '" + in + "' '" + out + "'";
    if (std::system(generate.c_str()) != 0 || std::system(convert.c_str()) != 0) {
        std::fprintf(stderr, "summary_page_bench: generating or converting failed\n");
        return 1;
    }
    const std::string db = (dir / "in.db").string();
    std::printf("The run's own page: %.2f MB\n", static_cast<double>(fs::file_size(dir / "in.html")) / 1e6);
    fs::remove(in);
    fs::remove(out);
    print(("A run of " + std::to_string(records) + " records").c_str(), measure(db, (dir / "again.html").string(), records));
    if (scale_to > records) {
        const std::string scaled = (dir / "scaled.db").string();
        fs::copy_file(db, scaled);
        if (!grow(scaled, records, scale_to / records)) return 1;
        print(("Its results grown to a run of " + std::to_string(scale_to / records * records) + " records").c_str(),
              measure(scaled, (dir / "scaled.html").string(), static_cast<std::uint64_t>(scale_to)));
    }
    fs::remove_all(dir);
    return 0;
}
