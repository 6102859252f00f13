// SPDX-License-Identifier: Apache-2.0
// The summary page: the results read back from a database grouped and
// counted, and the page built from them, safe for any value a record holds.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <string>

#include "summary_data.h"
#include "summary_page.h"

namespace fs = std::filesystem;

namespace {

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// A results database with the conversion library's three tables.
class ResultsDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (fs::temp_directory_path() /
                 ("tarvos-page-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".db"))
                    .string();
        fs::remove(path_);
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db_), SQLITE_OK);
        exec("CREATE TABLE conversions( recordNum INT, patientID TEXT, seqNumCentral TEXT, reportingFac TEXT,"
             " accNumHospital TEXT, seqNumHospital TEXT, conversionType TEXT, v14Hist TEXT, v14Grade TEXT, v14Site TEXT,"
             " v14CountryCode TEXT, v15Hist TEXT, v15Grade TEXT, v15Site TEXT, v15CountryCode TEXT);"
             "CREATE TABLE reviewables( recordNum INT, patientID TEXT, seqNumCentral TEXT, reportingFac TEXT,"
             " accNumHospital TEXT, seqNumHospital TEXT, v14Hist TEXT, v14Grade TEXT, v14Site TEXT, v15Hist TEXT,"
             " v15Grade TEXT, v15Site TEXT);"
             "CREATE TABLE messages( sequence INT, id TEXT, msg TEXT );");
    }
    void TearDown() override {
        sqlite3_close(db_);
        fs::remove(path_);
    }
    void exec(const std::string& sql) { ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql; }
    void conversion(int record, const char* type, const char* hist14, const char* hist15, const char* grade14 = "1",
                    const char* grade15 = "1") {
        exec("INSERT INTO conversions VALUES(" + std::to_string(record) + ",'P" + std::to_string(record) +
             "','00','F','A','01','" + type + "','" + hist14 + "','" + grade14 + "','C421','USA','" + hist15 + "','" +
             grade15 + "','C421','USA');");
    }
    std::string path_;
    sqlite3* db_ = nullptr;
};

TEST_F(ResultsDatabase, ConversionsAreCountedByTypeAndByTheCodesThatChanged) {
    exec("BEGIN;");
    for (int r = 1; r <= 12; ++r) conversion(r, "hematopoietic", "9654", "9653");
    for (int r = 13; r <= 15; ++r) conversion(r, "hematopoietic", "9654", "9653", "2", "9");  // two items changed
    for (int r = 16; r <= 20; ++r) conversion(r, "prostate grade", "8140", "8140", "4", "3");
    exec("COMMIT;");
    const tarvos::ResultsData d = tarvos::read_results(path_);
    ASSERT_EQ(d.error, "");
    EXPECT_EQ(d.conversions, 20u);
    ASSERT_EQ(d.by_type.size(), 2u);
    EXPECT_EQ(d.by_type[0].type, "hematopoietic");
    EXPECT_EQ(d.by_type[0].rows, 15u);
    EXPECT_EQ(d.by_type[1].rows, 5u);
    ASSERT_EQ(d.changes.size(), 3u);
    EXPECT_EQ(d.change_groups, 3u);
    EXPECT_EQ(d.changes[0].item, "histology");
    EXPECT_EQ(d.changes[0].from + ">" + d.changes[0].to, "9654>9653");
    EXPECT_EQ(d.changes[0].records, 15u);
    EXPECT_EQ(d.changes[1].type, "prostate grade");
    EXPECT_EQ(d.changes[1].records, 5u);
    EXPECT_EQ(d.changes[2].item, "grade");
    EXPECT_EQ(d.changes[2].records, 3u);
}

// Counted in one pass while the records come in order, and by SQLite when
// they do not: either way a record logged twice for one change counts once.
TEST_F(ResultsDatabase, ChangesCountEachRecordOnceWhicheverWayTheyAreRead) {
    const auto summary = [](const tarvos::ResultsData& d) {
        std::string text = std::to_string(d.conversions) + " rows;";
        for (const auto& t : d.by_type) text += " " + t.type + "=" + std::to_string(t.rows);
        for (const auto& c : d.changes)
            text += " " + c.type + "/" + c.item + "/" + c.from + ">" + c.to + "=" + std::to_string(c.records);
        return text;
    };
    // Record 2 logs the same change twice; the last row changes the grade too.
    const std::pair<int, const char*> rows[] = {{1, "misc. histology"}, {1, "hematopoietic"}, {2, "misc. histology"},
                                                {2, "misc. histology"}, {2, "hematopoietic"}, {3, "misc. histology"}};
    const auto fill = [&](bool in_order) {
        exec("DELETE FROM conversions;");
        if (!in_order) conversion(4, "misc. histology", "9654", "9653", "2", "9");
        for (std::size_t i = 0; i < std::size(rows); ++i) {
            const auto& [record, type] = rows[in_order ? i : std::size(rows) - 1 - i];
            conversion(record, type, "9654", "9653");
        }
        if (in_order) conversion(4, "misc. histology", "9654", "9653", "2", "9");
    };
    fill(true);
    const std::string one_pass = summary(tarvos::read_results(path_));
    EXPECT_EQ(one_pass,
              "7 rows; misc. histology=5 hematopoietic=2 misc. histology/histology/9654>9653=4"
              " hematopoietic/histology/9654>9653=2 misc. histology/grade/2>9=1");
    fill(false);
    const std::string sorted = summary(tarvos::read_results(path_));
    EXPECT_EQ(sorted, one_pass);
}

// "often" logged for records 250 down to 1, then "once" for record 7.
void often_and_once(const std::function<void(const std::string&)>& exec) {
    for (int r = 250; r >= 1; --r) exec("INSERT INTO messages VALUES(" + std::to_string(r) + ",'P" + std::to_string(r) + "','often');");
    exec("INSERT INTO messages VALUES(7,'P7','once');");
}

// Their groups, from the one at often: each text once, the first records by number.
void expect_often_and_once(const tarvos::ResultsData& d, std::size_t often) {
    ASSERT_EQ(d.message_groups.size(), often + 2);
    EXPECT_EQ(d.message_groups[often].text, "often");
    EXPECT_EQ(d.message_groups[often].count, 250u);
    ASSERT_EQ(d.message_groups[often].records.size(), tarvos::kRecordsPerMessage);
    EXPECT_EQ(d.message_groups[often].records.front().record, 1);
    EXPECT_EQ(d.message_groups[often].records.back().record, 100);
    ASSERT_EQ(d.message_groups[often + 1].records.size(), 1u);
    EXPECT_EQ(d.message_groups[often + 1].records[0].patient_id, "P7");
}

TEST_F(ResultsDatabase, MessagesAreGroupedByTextWithTheirFirstRecords) {
    exec("BEGIN;");
    often_and_once([&](const std::string& sql) { exec(sql); });
    exec("COMMIT;");
    const tarvos::ResultsData d = tarvos::read_results(path_);
    ASSERT_EQ(d.error, "");
    EXPECT_EQ(d.messages, 251u);
    EXPECT_EQ(d.message_texts, 2u);
    expect_often_and_once(d, 0);

    tarvos::PageContent c;
    c.results = d;
    const std::string page = tarvos::summary_page_html(c);
    EXPECT_NE(page.find("1: P1, 2: P2"), std::string::npos);
    EXPECT_NE(page.find("100: P100 and 150 more"), std::string::npos);
    EXPECT_EQ(page.find("101: P101"), std::string::npos);
}

// A run of many messages has SQLite sort them by text first: the groups and
// their first records come out as from the one pass of a small run.
TEST_F(ResultsDatabase, MessagesOfALargeRunAreGroupedTheSameWay) {
    exec("BEGIN;");
    exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 33000)"
         " INSERT INTO messages SELECT 300, 'F', '~filler' FROM n;");
    often_and_once([&](const std::string& sql) { exec(sql); });
    exec("COMMIT;");
    const tarvos::ResultsData d = tarvos::read_results(path_);
    ASSERT_EQ(d.error, "");
    EXPECT_EQ(d.messages, 33251u);
    EXPECT_EQ(d.message_texts, 3u);
    EXPECT_EQ(d.message_groups.at(0).count, 33000u);
    expect_often_and_once(d, 1);

    // Few messages, but too many long texts to count in memory: sorted too.
    exec("DELETE FROM messages;");
    exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000)"
         " INSERT INTO messages SELECT i, 'P' || i, printf('%0200d', 20001 - i) FROM n;");
    const tarvos::ResultsData wide = tarvos::read_results(path_);
    ASSERT_EQ(wide.error, "");
    EXPECT_EQ(wide.messages, 20000u);
    EXPECT_EQ(wide.message_texts, 20000u);
    ASSERT_EQ(wide.message_groups.size(), tarvos::kMessageGroupsShown);
    ASSERT_EQ(wide.message_groups[0].records.size(), 1u);
    EXPECT_EQ(wide.message_groups[0].records[0].record, 20000);
}

// Counted by the key of their text as a large run counts them, the messages
// read back give the page SQLite's grouping gives: with texts tied for the
// last places shown, and where the counts disagree with the rows stored; and
// so too when the texts outgrow the counts' table, the later keys going to a
// file and counted back a range at a time, ranges halved as they overflow.
TEST_F(ResultsDatabase, MessagesCountedByKeyGiveThePageOfTheirGrouping) {
    // 1,400 texts, 200 of each count from 1 to 7, logged from record 9999
    // down, each a stage problem of one of three schemas; the texts first
    // come in no order of their own, so that a text tied for the last places
    // may rank in past one that came before it.
    exec("BEGIN;");
    exec("WITH RECURSIVE t(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM t WHERE i < 1399),"
         " k(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM k WHERE j < 6) INSERT INTO messages SELECT 9999 - j * 1400 - i, 'P' || i, printf('CS says: ''Invalid CS Extension (item 2810)"
         " ''%04d'' for schema S%d ''', i, i % 3) FROM k, t WHERE j <= i / 200 ORDER BY j, i * 7919 % 1400;");
    // And one text of more rows than a small count holds.
    exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 70000)"
         " INSERT INTO messages SELECT 10000 + i, 'Q' || i, 'CS cannot find a schema for site ''C999''' FROM n;");
    exec("COMMIT;");
    const auto shown = [](const tarvos::ResultsData& d) {
        std::string text = std::to_string(d.messages) + " rows, " + std::to_string(d.message_texts) + " texts;";
        for (const auto& g : d.message_groups) {
            text += " " + g.text + "=" + std::to_string(g.count) + ":";
            for (const auto& r : g.records) text += std::to_string(r.record) + r.patient_id;
        }
        for (const auto& p : d.stage_problems.shown) text += " " + p.reason.schema + "=" + std::to_string(p.records);
        return text;
    };
    const tarvos::ResultsData grouped = tarvos::read_message_results(path_, false);
    ASSERT_EQ(grouped.error, "");
    ASSERT_EQ(grouped.message_groups.size(), tarvos::kMessageGroupsShown);
    EXPECT_EQ(grouped.message_groups.back().count, 5u);
    // slots: a table of that size, its overflow written beside the database.
    const auto counted = [&](const std::function<void(tarvos::TextCounts&)>& amend, std::size_t slots = 0) {
        auto counts = slots == 0 ? std::make_shared<tarvos::TextCounts>()
                                 : std::make_shared<tarvos::TextCounts>(fs::path(path_).parent_path().string(), slots);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db_, "SELECT msg FROM messages;", -1, &s, nullptr);
        bool taken = true;  // by the table, or past it by the file
        while (sqlite3_step(s) == SQLITE_ROW)
            taken = counts->add(tarvos::TextCounts::key_of(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)))) &&
                    taken;
        sqlite3_finalize(s);
        EXPECT_TRUE(taken);
        amend(*counts);
        return tarvos::read_message_results(path_, false, counts);
    };
    const auto unchanged = [](tarvos::TextCounts&) {};
    EXPECT_EQ(shown(counted(unchanged)), shown(grouped));
    EXPECT_EQ(shown(counted(unchanged, 64)), shown(grouped));
    // A row the counts have and the database has not, of a text shown.
    const std::string first = grouped.message_groups[0].text;
    const auto one_more = [&](tarvos::TextCounts& c) { c.add(tarvos::TextCounts::key_of(first)); };
    EXPECT_EQ(shown(counted(one_more)), shown(grouped));
    EXPECT_EQ(shown(counted(one_more, 64)), shown(grouped));
    // Every text once: too many tie to read back by key.
    exec("UPDATE messages SET msg = msg || rowid;");
    const tarvos::ResultsData ties = tarvos::read_message_results(path_, false);
    EXPECT_EQ(ties.message_texts, 75600u);
    EXPECT_EQ(shown(counted(unchanged)), shown(ties));
    EXPECT_EQ(shown(counted(unchanged, 4096)), shown(ties));
}

// The keys of texts spread over all 64 bits on every build: with 32-bit
// keys (a 32-bit build's std::hash) two of a few hundred thousand texts would
// likely share one, and the page would count one text too few.
TEST(TextCounts, KeysOfTextsUseAllSixtyFourBits) {
    std::uint64_t high = 0;
    for (int i = 0; i < 64; ++i) high |= tarvos::TextCounts::key_of("CS says: '" + std::to_string(i) + "'") >> 32;
    EXPECT_NE(high, 0u);
}

// Keys past a small table go to a file and are counted back from it a range
// at a time: every key comes back with the count a table large enough gives,
// the second time as the first, whatever their first four bits.
TEST(TextCounts, KeysPastTheTableAreCountedFromTheFileAsInMemory) {
    const fs::path folder =
        fs::temp_directory_path() / ("text-counts-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    // The file goes with the counts, before its folder can (on Windows).
    auto spilled_counts = std::make_unique<tarvos::TextCounts>(folder.string(), 64);
    tarvos::TextCounts whole, &spilled = *spilled_counts;
    bool taken = true;
    // 3,000 texts counted 1 to 7 times, in turns, and one text 70,000 times.
    for (int turn = 0; turn < 7; ++turn)
        for (int t = 0; t < 3000; ++t)
            if (turn <= t % 7) {
                const std::uint64_t key = tarvos::TextCounts::key_of("text " + std::to_string(t));
                taken = whole.add_soon(key) && spilled.add_soon(key) && taken;
            }
    const std::uint64_t often = tarvos::TextCounts::key_of("often");
    taken = whole.add(often, 70000) && spilled.add(often, 70000) && whole.settle() && spilled.settle() && taken;
    ASSERT_TRUE(taken);
    using Counts = std::map<std::uint64_t, std::uint64_t>;
    const auto counts_of = [](tarvos::TextCounts& c) {
        Counts counts;
        EXPECT_TRUE(c.each([&](std::uint64_t key, std::uint64_t n) { EXPECT_TRUE(counts.emplace(key, n).second); }));
        return counts;
    };
    const Counts expected = counts_of(whole);
    ASSERT_EQ(expected.size(), 3001u);
    EXPECT_EQ(counts_of(spilled), expected);
    EXPECT_EQ(spilled.texts(), 3001u);
    EXPECT_EQ(counts_of(spilled), expected);
    EXPECT_EQ(spilled.rows(), whole.rows());
    spilled_counts.reset();
    EXPECT_TRUE(fs::is_empty(folder));  // nothing left of the file
    fs::remove_all(folder);
}

TEST_F(ResultsDatabase, EveryReviewableIsOnThePageAndHostileValuesStayText) {
    exec("BEGIN;");
    for (int r = 1; r <= 300; ++r)
        exec("INSERT INTO reviewables VALUES(" + std::to_string(r) + ",'R" + std::to_string(r) +
             "x','00','F','A','01','9800','9','C421','9801','9','C421');");
    exec("INSERT INTO reviewables VALUES(301,'<script>alert(1)</script>','\"q\"','a&b','''',"
         "'<img src=\"http://x\">','9800','9','C421','9801','9','C421');");
    exec("INSERT INTO messages VALUES(301,'<b>id</b>','<script>msg</script> & more');");
    conversion(301, "<svg onload=x>", "9654", "9653");
    exec("COMMIT;");
    tarvos::PageContent c;
    c.input = "/data/<in>&.dat";
    c.results = tarvos::read_results(path_);
    c.notes = {"line 301, Patient ID <script>: padded\n"};
    c.notes_total = 1;
    ASSERT_EQ(c.results.error, "");
    ASSERT_EQ(c.results.reviewables.size(), 301u);
    const std::string page = tarvos::summary_page_html(c);
    for (int r = 1; r <= 300; ++r) EXPECT_EQ(occurrences(page, ">R" + std::to_string(r) + "x<"), 1u) << r;
    // The page's own script is the only one; no record value opens a tag.
    EXPECT_EQ(occurrences(page, "<script"), 1u);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<svg onload"), std::string::npos);
    EXPECT_EQ(page.find("<b>id"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("&quot;q&quot;"), std::string::npos);
    EXPECT_NE(page.find("a&amp;b"), std::string::npos);
    EXPECT_NE(page.find("&#39;"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;msg&lt;/script&gt; &amp; more"), std::string::npos);
    EXPECT_NE(page.find("Patient ID &lt;script&gt;: padded"), std::string::npos);
    EXPECT_NE(page.find("/data/&lt;in&gt;&amp;.dat"), std::string::npos);
    // Nothing is fetched from elsewhere.
    for (const char* outside : {"src=\"http", "href=\"http", "@import", "url(", "<link"})
        EXPECT_EQ(page.find(outside), std::string::npos) << outside;
}

// The reasons of the stage calculation, whatever their codes, under their
// problem, item and schema: a record counts once under each of its reasons.
TEST_F(ResultsDatabase, StageProblemsAreGroupedByProblemItemAndSchema) {
    const auto message = [&](int record, const std::string& text) {
        exec("INSERT INTO messages VALUES(" + std::to_string(record) + ",'P" + std::to_string(record) + "','" +
             std::regex_replace(text, std::regex("'"), "''") + "');");
    };
    exec("BEGIN;");
    message(3, "CS says: 'Invalid CS Extension (item 2810) 'ZZZ' for schema Prostate '");
    message(5, "CS cannot find a schema for site 'C999', which may be invalid. ");
    message(5, "CS says: 'Invalid CS Extension (item 2810) '999' for schema Prostate '");
    message(5, "CS says: 'No row of table ajcc7_stage_ubp for schema Prostate matches AJCC-7 T 'T2a' '");
    message(9, "CS says: 'Invalid CS Extension (item 2810) 'ABC' for schema Prostate '");
    message(11, "CS says: 'No row of table ajcc7_stage_ubp for schema Prostate matches AJCC-7 T 'T4' '");
    message(11, "CS says: 'No row of table ajcc7_stage_ubp for schema Prostate matches AJCC-7 T 'T1' '");
    message(12, "CS says: 'Invalid CS Extension (item 2810) 'ZZZ' for schema Breast '");
    exec("COMMIT;");
    tarvos::PageContent c;
    c.derived = true;
    c.results = tarvos::read_results(path_);
    ASSERT_EQ(c.results.error, "");
    const tarvos::StageProblems& p = c.results.stage_problems;
    EXPECT_EQ(p.reasons, 3u);
    ASSERT_EQ(p.shown.size(), 3u);
    EXPECT_EQ(p.shown[0].reason, (tarvos::StageReason{"Invalid code", "CS Extension (item 2810)", "Prostate"}));
    EXPECT_EQ(p.shown[0].records, 3u);
    EXPECT_EQ(p.shown[0].example, "Invalid CS Extension (item 2810) 'ZZZ' for schema Prostate");
    EXPECT_EQ(p.shown[1].reason, (tarvos::StageReason{"No table row", "table ajcc7_stage_ubp", "Prostate"}));
    EXPECT_EQ(p.shown[1].records, 2u);
    EXPECT_EQ(p.shown[2].reason.schema, "Breast");
    EXPECT_EQ(p.shown[2].records, 1u);
    const std::string page = tarvos::summary_page_html(c);
    EXPECT_NE(page.find("<tr><td>Invalid code</td><td>CS Extension (item 2810)</td><td>Prostate</td><td class=n>3</td>"
                        "<td>Invalid CS Extension (item 2810) &#39;ZZZ&#39; for schema Prostate</td>"
                        "<td>3: P3, 5: P5, 9: P9</td></tr>"),
              std::string::npos);
    EXPECT_NE(page.find("<td>table ajcc7_stage_ubp</td><td>Prostate</td><td class=n>2</td>"), std::string::npos);
}

TEST_F(ResultsDatabase, ADatabaseThatCannotBeReadSaysSo) {
    exec("DROP TABLE conversions;");
    EXPECT_NE(tarvos::read_results(path_).error, "");
    EXPECT_NE(tarvos::read_results(path_ + ".missing").error, "");
    EXPECT_FALSE(fs::exists(path_ + ".missing"));  // opened read-only: nothing created
}

TEST(SummaryPage, TotalsAndChartFollowTheCounts) {
    tarvos::PageContent c;
    c.counts.written = 1234567;
    c.counts.no_schema_for_site = 144;
    c.counts.no_schema_for_histology = 45;
    c.counts.schema_failure = 43;
    c.results.conversions = 944;
    c.results.by_type = {{"hematopoietic", 400}, {"prostate grade", 100}};
    const std::string page = tarvos::summary_page_html(c);
    EXPECT_NE(page.find("Records converted<b>1,234,567</b>"), std::string::npos);
    EXPECT_NE(page.find("Conversions<b>944</b>"), std::string::npos);
    // All three kinds of schema failure, as the terminal summary counts them.
    EXPECT_NE(page.find("<tr><th>Schema failures</th><td class=n>232</td></tr>\n"
                        "<tr><th>&nbsp;&nbsp;no schema for the site</th><td class=n>144</td></tr>\n"
                        "<tr><th>&nbsp;&nbsp;no schema for the histology</th><td class=n>45</td></tr>\n"
                        "<tr><th>&nbsp;&nbsp;other schema failure</th><td class=n>43</td></tr>"),
              std::string::npos);
    // The longest bar takes the chart's width, the others their share of it.
    const std::string svg = tarvos::conversions_chart_svg(c.results.by_type);
    std::smatch m;
    std::vector<int> widths;
    for (auto it = svg.cbegin(); std::regex_search(it, svg.cend(), m, std::regex("<rect [^>]*width=\"([0-9]+)\""));
         it = m.suffix().first)
        widths.push_back(std::stoi(m[1]));
    ASSERT_EQ(widths.size(), 2u);
    EXPECT_EQ(widths[0], 4 * widths[1]);
    EXPECT_NE(page.find(svg), std::string::npos);
}

TEST(SummaryPage, NotesBeyondThoseKeptAreCounted) {
    tarvos::PageContent c;
    c.notes = {"line 1, Patient ID 1: padded\n"};
    c.notes_total = 1501;
    const std::string page = tarvos::summary_page_html(c);
    EXPECT_NE(page.find("<td>line 1, Patient ID 1: padded</td>"), std::string::npos);
    EXPECT_NE(page.find("And 1,500 more in the run log."), std::string::npos);
}

// A page of many rows goes to its file a block at a time: the file holds the
// page whole, every block in order.
TEST(SummaryPage, APageWrittenInBlocksIsThePageWhole) {
    tarvos::PageContent c;
    for (int n = 0; n < 500; ++n) {
        tarvos::MessageGroup g{"message " + std::to_string(n), 100, {}};
        for (int r = 0; r < 100; ++r) g.records.push_back({n * 100 + r, "P" + std::to_string(r)});
        c.results.message_groups.push_back(std::move(g));
    }
    const std::string whole = tarvos::summary_page_html(c);
    ASSERT_GT(whole.size(), 500000u);
    const fs::path path = fs::temp_directory_path() / "tarvos-page-in-blocks.html";
    ASSERT_EQ(tarvos::write_summary_page(path.string(), c), "");
    std::string written;
    {
        std::ifstream in(path, std::ios::binary);  // closed before the file is removed, as Windows needs
        written.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_TRUE(written == whole) << written.size() << " bytes written of " << whole.size();
    fs::remove(path);
}

}  // namespace
