// SPDX-License-Identifier: Apache-2.0
// The results database beside the input: its name, its life, and the files it
// must never touch.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <utility>

#include "results_fixtures.h"
#include "store_rows.h"

namespace vexlin::test {
namespace {

TEST(BasePath, CutsTheExtensionOfTheFileNameOnly) {
    struct Case {
        const char* input;
        const char* base;
    };
    const Case cases[] = {
        {"C:\\data\\in.txt", "C:\\data\\in"},
        {"C:\\old.dir\\input", "C:\\old.dir\\input"},
        {"/data/in.txt", "/data/in"},
        {"/data/old.dir/input", "/data/old.dir/input"},
        {"/data/in.x.txt", "/data/in.x"},
        {"C:\\data/in.txt", "C:\\data/in"},
        {"data\\old.dir/input", "data\\old.dir/input"},
        {"input", "input"},
        {"in.txt", "in"},
        // A gzip file's name loses ".gz" and the extension before it.
        {"C:\\data\\in.txt.gz", "C:\\data\\in"},
        {"/data/in.GZ", "/data/in"},
        {"/data.gz/input", "/data.gz/input"},
        {"/data/in.x.txt.gz", "/data/in.x"},
    };
    for (const Case& c : cases) EXPECT_EQ(base_path_of(c.input), c.base) << c.input;
}

TEST(FileStore, DatabaseLivesBesideTheInput) {
    ScratchDir dir;
    for (const auto& [name, database] : {std::pair{"in.txt", "in.db"}, std::pair{"input", "input.db"}}) {
        const std::string input = dir.file(name);
        ResultsStore store = ResultsStore::for_file(input);
        EXPECT_TRUE(store.is_open()) << name;
        EXPECT_EQ(store.input_path(), input);
        EXPECT_EQ(store.database_name(), dir.file(database));
        EXPECT_TRUE(std::filesystem::exists(dir.file(database))) << name;
    }
}

TEST(FileStore, DotInFolderNameKeepsTheDatabaseInThatFolder) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.path() / "old.dir");
    write_text(dir.file("old.db"), "unrelated file");
    ResultsStore store = ResultsStore::for_file(dir.file("old.dir/input"));
    EXPECT_TRUE(store.is_open());
    EXPECT_EQ(store.database_name(), dir.file("old.dir/input.db"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("old.dir/input.db")));
    EXPECT_EQ(read_text(dir.file("old.db")), "unrelated file");
}

TEST(FileStore, LongPathsWork) {
    ScratchDir dir;
    const std::string folder = dir.file(std::string(200, 'f'));
    std::filesystem::create_directory(folder);
    const std::string input = folder + "/" + std::string(120, 'n') + ".txt";
    ResultsStore store = ResultsStore::for_file(input);
    EXPECT_GT(store.database_name().size(), 300u);
    EXPECT_TRUE(store.is_open());
    EXPECT_TRUE(std::filesystem::exists(store.database_name()));
}

TEST(FileStore, EarlierDatabaseOfTheSameInputDoesNotSurvive) {
    ScratchDir dir;
    const std::string input = dir.file("in.txt");
    {
        ResultsStore first = ResultsStore::for_file(input);
        first.log_message(1, "00000001", "earlier run");
        first.log_conversion(kCase, "hematopoietic", kBefore, "", kAfter, "");
    }
    ResultsStore second = ResultsStore::for_file(input);
    ASSERT_TRUE(second.is_open());
    EXPECT_TRUE(table_rows(second, "messages").empty());
    EXPECT_TRUE(table_rows(second, "conversions").empty());

    // A file that is no database at all is replaced as well.
    write_text(dir.file("junk.db"), "not a database");
    EXPECT_TRUE(ResultsStore::for_file(dir.file("junk.txt")).is_open());
}

TEST(FileStore, InputNamedLikeTheDatabaseIsLeftUntouched) {
    ScratchDir dir;
    const std::string input = dir.file("x.db");
    write_text(input, "registry records");
    ResultsStore store = ResultsStore::for_file(input);
    EXPECT_FALSE(store.is_open());
    store.log_message(1, "00000001", "no database");
    EXPECT_EQ(store.messages_count(), 1);
    EXPECT_EQ(read_text(input), "registry records");
}

TEST(FileStore, UnusableDatabasePathGivesNoOpenStore) {
    ScratchDir dir;
    EXPECT_FALSE(ResultsStore::for_file(dir.file("missing/in.txt")).is_open());
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));

    std::filesystem::create_directory(dir.path() / "in.db");
    ResultsStore store = ResultsStore::for_file(dir.file("in.txt"));
    EXPECT_FALSE(store.is_open());
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "in.db"));
    // Logging still counts, reading back finds nothing and does not fail.
    store.log_conversion(kCase, "hematopoietic", kBefore, "", kAfter, "");
    EXPECT_EQ(store.conversions_count(), 1);
    EXPECT_NE(store.clear(), 0);
    EXPECT_EQ(store.conversions_count(), 0);
}

int count_rows(sqlite3* db, const char* table) {
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = std::string("SELECT COUNT(*) FROM ") + table + ";";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return -1;
    const int n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return n;
}

TEST(FileStore, EverythingLoggedIsOnDiskWhenTheStoreIsDestroyed) {
    ScratchDir dir;
    const std::string input = dir.file("in.txt");
    constexpr int kMessages = 45001;  // more than two commit batches and a partial one
    {
        ResultsStore store = ResultsStore::for_file(input);
        ASSERT_TRUE(store.is_open());
        for (int i = 0; i < kMessages; ++i) store.log_message(i, "00012345", "CS cannot find a schema");
        store.log_conversion(kCase, "hematopoietic", kBefore, "", kAfter, "");
        store.log_reviewable(kCase, kBefore, kAfter);
        store.ready_messages(3, 1, ',', 100);  // a query still open at the end
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(dir.file("in.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    EXPECT_EQ(count_rows(db, "messages"), kMessages);
    EXPECT_EQ(count_rows(db, "conversions"), 1);
    EXPECT_EQ(count_rows(db, "reviewables"), 1);
    sqlite3_close(db);
}

TEST(MemoryStore, OpensWithoutAFileAndClearsToZero) {
    ResultsStore store = ResultsStore::in_memory();
    EXPECT_TRUE(store.is_open());
    EXPECT_EQ(store.clear(), 0);
    int c = -1, r = -1, m = -1;
    EXPECT_EQ(store.counters(c, r, m), 0);
    EXPECT_EQ(c + r + m, 0);
}

}  // namespace
}  // namespace vexlin::test
