// SPDX-License-Identifier: Apache-2.0
// Logged values are stored exactly as given, and counters count the calls.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <tuple>
#include <vector>

#include <sqlite3.h>

#include "results_fixtures.h"
#include "store_rows.h"

namespace vexlin::test {
namespace {

TEST(Logging, QuotesAndSqlTextAreStoredExactlyInEveryValue) {
    ResultsStore store = ResultsStore::in_memory();
    const std::string q[] = {
        "12\"34", "0'1", "\"); DROP TABLE conversions; --", "', '", "\"\"", "x\" || \"y", "; DELETE FROM messages;",
        "9'8'2\"3", "C\"42", "US\"A", "8152'", "C61\"9", "'); --",
    };
    const RowIdentity id{-5, q[0], q[1], q[2], q[3], q[4]};
    const CodedValues v14{q[7], '"', q[8]};
    const CodedValues v15{q[10], '\'', q[11]};
    store.log_message(3, q[0], "CS cannot find a schema for site 'C999', which may be invalid. ");
    store.log_message(4, q[5], q[6]);
    store.log_conversion(id, q[5], v14, q[9], v15, q[12]);
    store.log_reviewable(id, v14, v15);

    EXPECT_EQ(table_rows(store, "messages"),
              (std::vector<Row>{{"3", q[0], "CS cannot find a schema for site 'C999', which may be invalid. "},
                                {"4", q[5], q[6]}}));
    EXPECT_EQ(table_rows(store, "conversions"),
              (std::vector<Row>{{"-5", q[0], q[1], q[2], q[3], q[4], q[5], q[7], "\"", q[8], q[9], q[10], "'",
                                 q[11], q[12]}}));
    EXPECT_EQ(table_rows(store, "reviewables"),
              (std::vector<Row>{{"-5", q[0], q[1], q[2], q[3], q[4], q[7], "\"", q[8], q[10], "'", q[11]}}));
}

// A record's messages stored several to a statement are the rows, the
// order, the counts and the rows told as one statement each gives.
TEST(Logging, MessagesOfARecordStoredTogetherAreTheRowsLoggedOneByOne) {
    std::vector<std::string> texts;
    for (int i = 0; i < 15; ++i) texts.push_back("reason " + std::to_string(i) + (i % 2 ? " '" : ""));
    std::vector<Row> told[2];
    std::vector<Row> stored[2];
    for (int together = 0; together < 2; ++together) {
        ResultsStore store = ResultsStore::in_memory();
        store.set_row_listener([&, together](const StoredRow& r) {
            told[together].push_back({std::to_string(r.record_number), std::string(r.texts[0]), std::string(r.texts[1])});
        });
        for (const std::size_t n : {15u, 1u, 0u, 6u}) {
            const std::span<const std::string> some(texts.data(), n);
            if (together) {
                store.log_messages(static_cast<int>(n), "P" + std::to_string(n), some);
            } else {
                for (const std::string& t : some) store.log_message(static_cast<int>(n), "P" + std::to_string(n), t);
            }
        }
        EXPECT_EQ(store.messages_count(), 22);
        stored[together] = table_rows(store, "messages");
    }
    ASSERT_EQ(stored[0].size(), 22u);
    EXPECT_EQ(stored[1], stored[0]);
    EXPECT_EQ(told[1], told[0]);
    EXPECT_EQ(told[0], stored[0]);
}

TEST(Counters, CountLoggingCallsUntilCleared) {
    ResultsStore store = ResultsStore::in_memory();
    for (int i = 0; i < 3; ++i) store.log_conversion(kCase, "hematopoietic", kBefore, "", kAfter, "");
    store.log_reviewable(kCase, kBefore, kAfter);
    int c = 0, r = 0, m = 0;
    EXPECT_EQ(store.counters(c, r, m), 0);
    EXPECT_EQ(std::tie(c, r, m), std::make_tuple(3, 1, 0));

    store.log_message(7, "00012345", "text");
    EXPECT_EQ(store.counters(c, r, m), 1);

    EXPECT_EQ(store.clear(), 0);
    EXPECT_EQ(store.counters(c, r, m), 0);
    EXPECT_EQ(std::tie(c, r, m), std::make_tuple(0, 0, 0));
    EXPECT_TRUE(table_rows(store, "conversions").empty());
    EXPECT_TRUE(table_rows(store, "messages").empty());
}

// A database that fills up loses rows; the store says so, names the database
// and SQLite's reason, and goes on counting calls as its callers expect.
TEST(Logging, FullDatabaseIsTheFirstFailureAndRowsAreStillCounted) {
    ScratchDir dir;
    ResultsStore store = ResultsStore::for_file(dir.file("in.txt"));
    ASSERT_TRUE(store.is_open());
    EXPECT_FALSE(store.write_failure());
    // No page beyond those the empty tables take: the file system is full.
    ASSERT_EQ(sqlite3_exec(store.connection(), "PRAGMA max_page_count = 1;", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::string long_text(3000, 'm');
    for (int i = 0; i < 50; ++i) store.log_message(i, "00012345", long_text);
    store.close();
    EXPECT_EQ(store.write_failure().code, SQLITE_FULL);
    EXPECT_NE(store.write_failure().reason.find("messages table in the results database \"" + dir.file("in.db") + "\": "),
              std::string::npos)
        << store.write_failure().reason;
    EXPECT_NE(store.write_failure().reason.find("full"), std::string::npos) << store.write_failure().reason;
    EXPECT_EQ(store.messages_count(), 50);
}

}  // namespace
}  // namespace vexlin::test
