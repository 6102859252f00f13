// SPDX-License-Identifier: Apache-2.0
// The exported C interface as a driving program sees it: the shared library
// with the Collaborative Stage library bound at load.
#include "vexlin150.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "cstage0205.h"
#include "record_builder.h"
#include "sample_records.h"

namespace {

namespace fs = std::filesystem;
using vexlin::test::RecordBuilder;
using vexlin::test::typical_record;

std::string slot(const std::array<char, VEXLIN150_INFO_SIZE>& block, std::size_t offset, std::size_t size) {
    return std::string(block.data() + offset, strnlen(block.data() + offset, size));
}

fs::path fresh_dir(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("vexlin150-exports-" + name + "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(Exports, InformationBlockHoldsVersionsInTheirSlots) {
    std::array<char, VEXLIN150_INFO_SIZE> block{};
    ASSERT_EQ(vexlin150_Get_dll_info(block.data()), 0);
    EXPECT_EQ(slot(block, 0, 16), "1.0.6");
    EXPECT_EQ(slot(block, 16, 16), "Mar 16 2015");
    EXPECT_EQ(slot(block, 32, 16), "15:52:28");
    // Two lines, the organisation and a contact e-mail address, whole: a text
    // that filled the 63 characters copied may have been cut.
    const std::string maker = slot(block, 48, 64);
    EXPECT_LT(maker.size(), 63u) << maker;
    const std::size_t newline = maker.find('\n');
    ASSERT_NE(newline, std::string::npos) << maker;
    EXPECT_GT(newline, 0u) << "no organisation: " << maker;
    const std::string address = maker.substr(newline + 1);
    EXPECT_TRUE(std::regex_match(address, std::regex(R"([A-Za-z0-9._+-]+@[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+)")))
        << address;
    EXPECT_EQ(slot(block, 112, 16), std::string(CStage_get_version()).substr(0, 15));
    EXPECT_EQ(slot(block, 128, 64), std::string(CStage_get_timestamp()).substr(0, 63));
    // Every slot ends in a terminator inside the block.
    for (std::size_t end : {15u, 31u, 47u, 111u, 127u, 191u}) EXPECT_EQ(block[end], '\0') << end;
}

TEST(Exports, FieldOptionsAcceptIndexes0To526) {
    EXPECT_EQ(vexlin150_Set_field_options(0, 5), 0);
    EXPECT_EQ(vexlin150_Set_field_options(526, 5), 0);
    EXPECT_EQ(vexlin150_Set_field_options(527, 5), 1);
    EXPECT_EQ(vexlin150_Set_field_options(-1, 5), 1);
    EXPECT_EQ(vexlin150_Set_global_options(0x7fffffff), 0);
    vexlin150_Set_global_options(0);
    vexlin150_Set_field_options(0, 0);
    vexlin150_Set_field_options(526, 0);
}

TEST(Exports, OptionsChangeNoConvertedRecord) {
    vexlin150_Initialize_record_conversion();
    RecordBuilder plain = typical_record();
    plain.set(vexlin::field::kAddrAtDxCountry, "XYG").set(vexlin::field::kHistology, "8157");
    RecordBuilder with_options = plain;
    unsigned char restage = 0, review = 0;
    const int plain_flags = vexlin150_Convert_buffer_to_150(1, plain.data(), 0, &restage, &review);
    int c1 = 0, r1 = 0, m1 = 0;
    vexlin150_Get_result_counters(&c1, &r1, &m1);

    vexlin150_Clear_results();
    vexlin150_Set_global_options(-1);
    for (int i = 0; i <= 526; ++i) vexlin150_Set_field_options(i, 1);
    const int option_flags = vexlin150_Convert_buffer_to_150(1, with_options.data(), 0, &restage, &review);
    int c2 = 0, r2 = 0, m2 = 0;
    vexlin150_Get_result_counters(&c2, &r2, &m2);
    vexlin150_Set_global_options(0);
    for (int i = 0; i <= 526; ++i) vexlin150_Set_field_options(i, 0);
    vexlin150_Close_record_conversion();

    EXPECT_EQ(plain.str(), with_options.str());
    EXPECT_EQ(plain_flags, option_flags);
    EXPECT_EQ(c1, c2);
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(m1, m2);
}

TEST(Exports, CallsWithoutAnOpenConversionChangeNothing) {
    char buffer[64];
    std::memset(buffer, 'q', sizeof buffer);
    RecordBuilder r = typical_record();
    const std::string before = r.str();
    unsigned char restage = 9, review = 9;
    EXPECT_EQ(vexlin150_Convert_buffer_to_150(1, r.data(), 0, &restage, &review), 0);
    EXPECT_EQ(vexlin150_Convert_buffer_and_stage(1, r.data(), 0, 7, &restage, &review), 0);
    EXPECT_EQ(r.str(), before);
    EXPECT_EQ(restage, 9);
    EXPECT_EQ(vexlin150_Get_conversion_results(buffer, sizeof buffer), 0);
    EXPECT_EQ(vexlin150_Ready_messages(1, 1, ',', sizeof buffer), 0);
    EXPECT_EQ(vexlin150_Get_next_message(buffer), 0);
    int c = 4, rv = 4, m = 4;
    EXPECT_EQ(vexlin150_Get_result_counters(&c, &rv, &m), 0);
    EXPECT_EQ(c + rv + m, 12);
    EXPECT_EQ(vexlin150_Clear_results(), 0);
    vexlin150_Close_file_conversion();
    vexlin150_Close_record_conversion();
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 'q'));
}

TEST(Exports, NullArgumentsAreRefusedQuietly) {
    vexlin150_Initialize_record_conversion();
    unsigned char restage = 0, review = 0;
    EXPECT_EQ(vexlin150_Convert_buffer_to_150(1, nullptr, 0, &restage, &review), 0);
    RecordBuilder r = typical_record();
    vexlin150_Convert_buffer_to_150(1, r.data(), 0, nullptr, nullptr);
    EXPECT_EQ(r.get(vexlin::field::kRecordVersion), "150");
    EXPECT_EQ(vexlin150_Get_dll_info(nullptr), 0);
    EXPECT_EQ(vexlin150_Get_next_message(nullptr), 0);
    EXPECT_EQ(vexlin150_Get_result_counters(nullptr, nullptr, nullptr), 0);
    vexlin150_Close_record_conversion();
    EXPECT_EQ(vexlin150_Initialize_file_conversion(nullptr), 0);
    vexlin150_Close_file_conversion();
}

TEST(Exports, FileConversionWithoutDatabaseStillConvertsRecords) {
    const fs::path dir = fresh_dir("nodb");
    // The database name is taken by a folder: it cannot be opened.
    fs::create_directories(dir / "in.db");
    const std::string input = (dir / "in.txt").string();
    std::ofstream(input) << "x";
    EXPECT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 0);
    RecordBuilder r = typical_record();
    r.set(vexlin::field::kAddrAtDxCountry, "XYG");
    unsigned char restage = 0, review = 0;
    const int flags = vexlin150_Convert_buffer_to_150(1, r.data(), 0, &restage, &review);
    EXPECT_EQ(flags & ~(VEXLIN150_NO_SCHEMA_FOR_SITE | VEXLIN150_NO_SCHEMA_FOR_HISTOLOGY | VEXLIN150_SCHEMA_FAILURE), 0);
    EXPECT_EQ(r.get(vexlin::field::kRecordVersion), "150");
    vexlin150_Close_file_conversion();
    EXPECT_TRUE(fs::is_directory(dir / "in.db"));
    fs::remove_all(dir);
}

TEST(Exports, FileConversionOpensItsDatabaseBesideTheInput) {
    const fs::path dir = fresh_dir("db");
    const std::string input = (dir / "abstracts.txt").string();
    std::ofstream(input) << "x";
    EXPECT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 1);
    vexlin150_Close_file_conversion();
    EXPECT_TRUE(fs::exists(dir / "abstracts.db"));
    EXPECT_TRUE(fs::exists(input));
    fs::remove_all(dir);
}

TEST(Exports, InputNamedLikeItsDatabaseIsNeverTouched) {
    const fs::path dir = fresh_dir("samename");
    const std::string input = (dir / "abstracts.db").string();
    std::ofstream(input) << "registry data";
    EXPECT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 0);
    vexlin150_Close_file_conversion();
    std::string content;
    {
        std::ifstream in(input);  // closed before the removal: Windows keeps open files
        content.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(content, "registry data");
    fs::remove_all(dir);
}

TEST(Exports, OpeningASecondConversionReleasesTheFirst) {
    const fs::path dir = fresh_dir("reopen");
    const std::string first = (dir / "first.txt").string();
    std::ofstream(first) << "x";
    ASSERT_EQ(vexlin150_Initialize_file_conversion(first.c_str()), 1);
    RecordBuilder r = typical_record();
    r.set(vexlin::field::kAddrAtDxCountry, "XYG");
    unsigned char restage = 0, review = 0;
    vexlin150_Convert_buffer_to_150(1, r.data(), 0, &restage, &review);
    vexlin150_Initialize_record_conversion();
    int c = -1, rv = -1, m = -1;
    vexlin150_Get_result_counters(&c, &rv, &m);
    EXPECT_EQ(c + rv + m, 0) << "the new conversion starts empty";
    vexlin150_Close_record_conversion();
    // The first database was closed: it can be removed and reopened at once.
    EXPECT_TRUE(fs::exists(dir / "first.db"));
    EXPECT_FALSE(fs::exists(dir / "first.cnv")) << "a released conversion writes no reports";
    fs::remove_all(dir);
}

TEST(Exports, ReopeningTheSameInputStartsAFreshDatabase) {
    const fs::path dir = fresh_dir("same-input");
    const std::string input = (dir / "in.txt").string();
    std::ofstream(input) << "x";
    ASSERT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 1);
    RecordBuilder r = typical_record();
    r.set(vexlin::field::kAddrAtDxCountry, "XYG");
    unsigned char restage = 0, review = 0;
    vexlin150_Convert_buffer_to_150(1, r.data(), 0, &restage, &review);
    // Opened again without a close: the new conversion owns a fresh database.
    ASSERT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 1);
    int c = -1, rv = -1, m = -1;
    vexlin150_Get_result_counters(&c, &rv, &m);
    EXPECT_EQ(c + rv + m, 0);
    char listing[256];
    vexlin150_Get_conversion_results(listing, sizeof listing);
    EXPECT_NE(std::string(listing).find("No conversions."), std::string::npos);
    vexlin150_Close_file_conversion();
    fs::remove_all(dir);
}

}  // namespace

// A report that cannot be written is the caller's to know: the failure names
// the report and outlives the close that wrote it, until the next conversion.
TEST(Exports, ResultsFailureNamesAReportThatCannotBeWrittenUntilTheNextConversion) {
    const fs::path dir = fresh_dir("failure");
    const std::string input = (dir / "in.txt").string();
    fs::create_directory(dir / "in.rev");  // a folder where the report goes
    ASSERT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 1);
    EXPECT_EQ(vexlin150_Get_results_failure(nullptr, 0), 0);
    vexlin150_Close_file_conversion();
    std::array<char, 200> reason{};
    reason.fill('x');
    EXPECT_EQ(vexlin150_Get_results_failure(reason.data(), 12), -1);
    EXPECT_STREQ(reason.data(), "cannot crea") << "cut to the length given, with its terminator";
    vexlin150_Get_results_failure(reason.data(), static_cast<int>(reason.size()));
    EXPECT_NE(std::string(reason.data()).find("in.rev\""), std::string::npos) << reason.data();

    fs::remove(dir / "in.rev");
    ASSERT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 1);
    EXPECT_EQ(vexlin150_Get_results_failure(reason.data(), static_cast<int>(reason.size())), 0);
    EXPECT_STREQ(reason.data(), "");
    vexlin150_Close_file_conversion();
    EXPECT_EQ(vexlin150_Get_results_failure(nullptr, 0), 0);
    fs::remove_all(dir);
}

namespace {

// Converts and stages count records of staging drawn at random, numbered from 1.
void stage_sample_records(int count) {
    unsigned char restage = 0, review = 0;
    for (int n = 1; n <= count; ++n) {
        std::string record = sample::make_record(5, static_cast<std::uint64_t>(n), sample::Staging::random);
        vexlin150_Convert_buffer_and_stage(n, record.data(), 0, 7, &restage, &review);
    }
}

std::vector<std::string> rows_of_table(sqlite3* db, int table) {
    static constexpr const char* kQueries[] = {nullptr, "SELECT * FROM conversions ORDER BY rowid;",
                                               "SELECT * FROM reviewables ORDER BY rowid;",
                                               "SELECT * FROM messages ORDER BY rowid;"};
    std::vector<std::string> rows;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kQueries[table], -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::string row = std::to_string(table) + "|" + std::to_string(sqlite3_column_int(stmt, 0));
        for (int c = 1; c < sqlite3_column_count(stmt); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            row += "|" + std::string(text ? text : "");
        }
        rows.push_back(row);
    }
    sqlite3_finalize(stmt);
    return rows;
}

}  // namespace

// The last word of a file conversion comes once every row is committed and
// before the reports: another connection then reads the database whole.
TEST(Exports, TheRowListenerIsToldWhenEveryRowIsCommitted) {
    const fs::path dir = fresh_dir("rows-stored");
    const std::string input = (dir / "in.txt").string();
    struct Heard {
        std::string database, report;
        std::size_t rows = 0, words = 0, rows_before_word = 0, rows_readable = 0;
        bool report_written = false;
    } heard{(dir / "in.db").string(), (dir / "in.mes").string()};
    vexlin150_Set_row_listener(
        [](void* context, const vexlin150_row* row) {
            auto& h = *static_cast<Heard*>(context);
            if (row->table != VEXLIN150_ROWS_COMPLETE) {
                ++h.rows;
                return;
            }
            ++h.words;
            h.rows_before_word = h.rows;
            h.report_written = fs::exists(h.report);
            sqlite3* db = nullptr;
            if (sqlite3_open_v2(h.database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
                for (int table = 1; table <= 3; ++table) h.rows_readable += rows_of_table(db, table).size();
            sqlite3_close(db);
        },
        &heard);
    ASSERT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 1);
    stage_sample_records(300);
    vexlin150_Close_file_conversion();
    vexlin150_Set_row_listener(nullptr, nullptr);
    EXPECT_EQ(heard.words, 1u);
    EXPECT_GT(heard.rows, 300u);
    EXPECT_EQ(heard.rows_before_word, heard.rows) << "no row comes after the last word";
    EXPECT_EQ(heard.rows_readable, heard.rows) << "every row is committed when told";
    EXPECT_FALSE(heard.report_written);
    EXPECT_TRUE(fs::exists(heard.report));
    fs::remove_all(dir);
}

// A caller that gathers what the rows hold as they are written is told of
// every row the results database holds, as it holds it, and of none once it
// stops listening.
TEST(Exports, TheRowListenerIsToldEveryRowAsTheDatabaseHoldsIt) {
    const fs::path dir = fresh_dir("listener");
    const std::string input = (dir / "in.txt").string();
    std::vector<std::string> told;
    vexlin150_Set_row_listener(
        [](void* context, const vexlin150_row* row) {
            std::string line = std::to_string(row->table) + "|" + std::to_string(row->record_number);
            for (int i = 0; i < row->text_count; ++i) line += "|" + std::string(row->texts[i], row->text_lengths[i]);
            static_cast<std::vector<std::string>*>(context)->push_back(line);
        },
        &told);
    ASSERT_EQ(vexlin150_Initialize_file_conversion(input.c_str()), 1);
    stage_sample_records(400);
    vexlin150_Set_row_listener(nullptr, nullptr);
    RecordBuilder unheard = typical_record();
    unheard.set(vexlin::field::kAddrAtDxCountry, "XYG");
    unsigned char restage = 0, review = 0;
    vexlin150_Convert_buffer_to_150(401, unheard.data(), 0, &restage, &review);
    vexlin150_Close_file_conversion();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((dir / "in.db").string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    for (int table = 1; table <= 3; ++table) {
        std::vector<std::string> stored = rows_of_table(db, table), heard;
        for (const std::string& row : told)
            if (row.front() == '0' + table) heard.push_back(row);
        if (table == 1) {
            ASSERT_FALSE(stored.empty());
            EXPECT_EQ(stored.back().rfind("1|401|", 0), 0u) << "the record converted unheard is stored";
            stored.pop_back();
        }
        EXPECT_FALSE(heard.empty()) << "table " << table;
        EXPECT_EQ(heard, stored) << "table " << table;
    }
    sqlite3_close(db);
    fs::remove_all(dir);
}
