// SPDX-License-Identifier: Apache-2.0
// Times the Collaborative Stage engine on one core: preparing the embedded
// tables, calculations over the published AJCC test cases through the
// engine's own interface and through the data card (move a record in,
// calculate), and through the data card over three generated files: staging
// inputs its schema accepts; inputs drawn at random as in files coded under
// older rules, where about half the calculations report problems; and inputs
// the selected schema does not know, where every staged record reports about
// a dozen. Prints the figures (with the share of calculations that report a
// problem and the problem lines of an average calculation) and the memory
// the tables take.
//   cs_engine_bench [ROUNDS]
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cs_engine.h"
#include "cstage0205.h"
#include "entry_points.h"
#include "naaccr_columns.h"
#include "sample_records.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Resident memory of the process in kB, from /proc.
long resident_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::string> lines;
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f) return lines;
    std::vector<char> buffer(1 << 16);
    while (gzgets(f, buffer.data(), static_cast<int>(buffer.size()))) {
        std::string line(buffer.data());
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        lines.push_back(std::move(line));
    }
    gzclose(f);
    return lines;
}

std::vector<std::string_view> fields_of(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        out.push_back(line.substr(start, comma == line.npos ? line.npos : comma - start));
        if (comma == line.npos) return out;
        start = comma + 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const long rss_before = resident_kb();
    auto start = Clock::now();
    const csengine::Engine& engine = csengine::embedded_engine();
    const double load_s = seconds_since(start);
    const long rss_after = resident_kb();
    const csengine::Tables& tables = engine.tables();
    std::printf("tables: %zu schemas, %zu tables, %zu rows, %zu keys; compact text %zu bytes\n",
                tables.schemas().size(), tables.table_count(), tables.row_count(), tables.key_count(),
                csengine::embedded_tables_text().size());
    std::printf("load (parse, prepare, index): %.1f ms; prepared tables %.1f MB; resident memory grew %.1f MB\n",
                load_s * 1000, tables.memory_bytes() / 1048576.0, (rss_after - rss_before) / 1024.0);

    std::vector<std::string> lines = read_lines(std::string(CS_TEST_DATA_DIR) + "/AJCC_6.V020550.txt.gz");
    for (std::string& l : read_lines(std::string(CS_TEST_DATA_DIR) + "/AJCC_7.V020550.txt.gz")) lines.push_back(std::move(l));
    std::vector<std::vector<std::string_view>> cases;
    for (const std::string& l : lines) cases.push_back(fields_of(l));
    // Records for the data card path: the first cases, reused round after
    // round (a record is 22824 characters).
    std::vector<std::string> records;
    const auto items = cstage::input_items();
    for (const auto& f : cases) {
        if (records.size() == 20000) break;
        std::string r(cstage::kRecordLength, ' ');
        for (std::size_t i = 0; i < items.size() && i < f.size(); ++i)
            r.replace(items[i].offset, std::min(items[i].width, f[i].size()), f[i].substr(0, items[i].width));
        records.push_back(std::move(r));
    }

    std::vector<csengine::KeyId> keys;
    for (const auto& item : items) keys.push_back(tables.find_key(item.key));
    csengine::Case c(tables);
    csengine::Result result;
    long derived = 0;
    start = Clock::now();
    for (int round = 0; round < rounds; ++round) {
        for (const auto& f : cases) {
            c.clear();
            for (std::size_t i = 0; i < keys.size(); ++i) c.set(keys[i], f[i]);
            engine.calculate(c, result);
            derived += !result.output(tables, "stor_ss2000").empty();
        }
    }
    const double engine_s = seconds_since(start);
    const double n = static_cast<double>(cases.size()) * rounds;
    std::printf("engine interface: %.0f calculations/s (%zu cases x %d rounds, %.2f s; %ld derived SS2000)\n",
                n / engine_s, cases.size(), rounds, engine_s, derived);

    std::vector<char> card(CSTAGE_DATACARD_SIZE);
    long failed = 0;
    start = Clock::now();
    const std::size_t card_calculations = cases.size() * static_cast<std::size_t>(rounds);
    for (std::size_t i = 0; i < card_calculations; ++i) {
        cstage::move_naaccr_to_datacard(card.data(), records[i % records.size()].data());
        failed += cstage::calculate(card.data()) != 0;
    }
    const double card_s = seconds_since(start);
    std::printf("data card (move and calculate): %.0f calculations/s (%.2f s; %ld reported a problem)\n",
                n / card_s, card_s, failed);
    // The generated files: every record's card, once per round; then, untimed,
    // the lines of every card's message.
    constexpr std::pair<sample::Staging, const char*> kFiles[] = {
        {sample::Staging::valid, "its schema accepts"},
        {sample::Staging::random, "drawn at random"},
        {sample::Staging::problems, "its schema does not know"}};
    for (const auto& [staging, described] : kFiles) {
        // The records back to back in one block, given back whole when done:
        // the memory figure at the end does not hang on how the heap lies.
        constexpr std::size_t kGenerated = 20000;
        std::vector<char> generated;
        generated.reserve(kGenerated * cstage::kRecordLength);
        for (std::uint64_t i = 0; i < kGenerated; ++i) {
            const std::string record = sample::make_record(2015, i, staging);
            generated.insert(generated.end(), record.begin(), record.end());
        }
        const auto record = [&](std::size_t i) { return generated.data() + i * cstage::kRecordLength; };
        long problems = 0;
        start = Clock::now();
        for (int round = 0; round < rounds; ++round)
            for (std::size_t i = 0; i < kGenerated; ++i) {
                cstage::move_naaccr_to_datacard(card.data(), record(i));
                problems += cstage::calculate(card.data()) != 0;
            }
        const double generated_s = seconds_since(start);
        const double calculations = static_cast<double>(kGenerated) * rounds;
        long lines = 0;
        for (std::size_t i = 0; i < kGenerated; ++i) {
            cstage::move_naaccr_to_datacard(card.data(), record(i));
            cstage::calculate(card.data());
            const std::string_view message(card.data() + CSTAGE_DC_MESSAGE, strnlen(card.data() + CSTAGE_DC_MESSAGE,
                                                                                    CSTAGE_DC_MESSAGE_SIZE));
            lines += std::count(message.begin(), message.end(), '\n');
        }
        std::printf("data card, generated file, staging inputs %s: %.0f calculations/s (%.2f s; %.0f%% reported a "
                    "problem; %.1f problem lines a calculation)\n",
                    described, calculations / generated_s, generated_s, 100.0 * problems / calculations,
                    static_cast<double>(lines) / static_cast<double>(kGenerated));
    }
    std::printf("resident memory at the end: %.1f MB (test cases included)\n", resident_kb() / 1024.0);
    return 0;
}
