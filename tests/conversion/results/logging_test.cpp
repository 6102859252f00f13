// Logged values are stored exactly as given, and counters count the calls.
#include <gtest/gtest.h>

#include <tuple>

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

}  // namespace
}  // namespace vexlin::test
