// The run log written from the notes and the messages of each record: each
// line takes the rows of its own record, whatever the records between; the
// schema failure and the calculation's reasons in their words, other notes
// as they were. And the reasons read from messages rows, grouped for the page.
#include "run_log.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "stage_problems.h"

namespace fs = std::filesystem;

namespace {

class RunLog : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tarvos-run-log-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        database_ = (folder_ / "results.db").string();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database_.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE messages( sequence INT, id TEXT, msg TEXT );", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        for (const auto& [record, text] : messages_) {
            sqlite3_stmt* s = nullptr;
            ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO messages VALUES(?, 'P', ?);", -1, &s, nullptr), SQLITE_OK);
            sqlite3_bind_int(s, 1, record);
            sqlite3_bind_text(s, 2, text.c_str(), -1, SQLITE_TRANSIENT);
            ASSERT_EQ(sqlite3_step(s), SQLITE_DONE);
            sqlite3_finalize(s);
        }
        sqlite3_close(db);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static tarvos::RecordNote note(std::uint64_t line, int flags, std::string_view id = "00001234") {
        tarvos::RecordNote n;
        n.line = line;
        n.flags = flags;
        n.patient_id = id;
        return n;
    }

    std::vector<std::pair<int, std::string>> messages_ = {
        {5, "CS cannot find a schema for site 'C999', which may be invalid. "},
        {5, "CS says: 'No schema: Primary Site (item 400) 'C999' is not a valid code '"},
        {6, "CS says: 'a row of a record without a note '"},
        {7, "CS says: 'Invalid CS Extension (item 2810) 'ZZZ' for schema Prostate '"},
        {7, "CS says: 'Invalid Grade (item 440) '0' for schema Prostate '"},
    };
    fs::path folder_;
    std::string database_;
};

TEST_F(RunLog, EachLineCarriesTheReasonsOfItsOwnRecord) {
    tarvos::NoteFile notes((folder_ / "run.notes").string());
    ASSERT_TRUE(notes.is_open());
    tarvos::RecordNote padded = note(3, 0, "  ID WI ");  // blanks kept as the record holds them
    padded.padded = true;
    padded.length = 20000;
    notes.add(padded);
    notes.add(note(5, 8 | 128));
    notes.add(note(7, 128));
    notes.add(note(9, 128, ""));  // no rows: the general words
    ASSERT_TRUE(notes.finish());

    const std::string log_path = (folder_ / "run.log").string();
    std::FILE* out = std::fopen(log_path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    tarvos::RunLogLines lines;
    EXPECT_EQ(tarvos::write_run_log(notes, database_, out, 2, lines), 0);
    std::fclose(out);
    std::ostringstream written;
    written << std::ifstream(log_path, std::ios::binary).rdbuf();
    std::string expected =
        "line 3, Patient ID \"  ID WI \": padded with blanks from 20000 characters\n"
        "line 5, Patient ID \"00001234\": CS cannot find a schema for site 'C999', which may be invalid.; stage "
        "calculation error: No schema: Primary Site (item 400) 'C999' is not a valid code\n"
        "line 7, Patient ID \"00001234\": stage calculation error: Invalid CS Extension (item 2810) 'ZZZ' for schema "
        "Prostate; Invalid Grade (item 440) '0' for schema Prostate\n"
        "line 9, Patient ID \"\": stage calculation error\n";
#if defined(_WIN32)
    for (std::size_t at = expected.find('\n'); at != std::string::npos; at = expected.find('\n', at + 2))
        expected.insert(at, "\r");
#endif
    EXPECT_EQ(written.str(), expected);
    EXPECT_EQ(lines.total, 4u);
    ASSERT_EQ(lines.first.size(), 2u);
    EXPECT_TRUE(lines.first[1].starts_with("line 5, Patient ID \"00001234\": CS cannot find")) << lines.first[1];
    // Without a results database the notes keep their general words.
    tarvos::RunLogLines bare;
    EXPECT_EQ(tarvos::write_run_log(notes, (folder_ / "none.db").string(), nullptr, 9, bare), 0);
    ASSERT_EQ(bare.first.size(), 4u);
    EXPECT_EQ(bare.first[1], "line 5, Patient ID \"00001234\": no Collaborative Stage schema for the site; stage "
                             "calculation error\n");
}

// Every kind of reason the Collaborative Stage library writes, as the page
// groups it: the problem, the item, the schema.
TEST(StageReasons, EachKindOfReasonHasItsProblemItemAndSchema) {
    struct Case {
        const char* row;
        tarvos::StageReason reason;
    };
    const Case cases[] = {
        {"CS says: 'No schema: Primary Site (item 400) 'C999' is not a valid code '",
         {"No schema", "Primary Site (item 400)", ""}},
        {"CS says: 'No schema: no schema takes Primary Site (item 400) 'C445' with Histologic Type ICD-O-3 (item 522) "
         "'9590' '",
         {"No schema", "Primary Site and histology", ""}},
        {"CS says: 'No schema: CS Site-Specific Factor 25 (item 2879) 'XYZ' selects none for Primary Site 'C161' and "
         "histology '8140'; 000 selects Stomach '",
         {"No schema", "CS Site-Specific Factor 25 (item 2879)", ""}},
        {"CS says: 'Year of diagnosis '1999' rejected for schema Prostate: Date of Diagnosis (item 390) must be 2004 "
         "to 2026, or blank with a known CS Version Input Original; nothing derived '",
         {"Year rejected", "Date of Diagnosis (item 390)", "Prostate"}},
        {"CS says: 'Table summary_stage_rpa for schema Prostate reports an error for SEER Summary Stage 1977 with "
         "SS1977 T 'IS' '",
         {"Table error", "SEER Summary Stage 1977 (table summary_stage_rpa)", "Prostate"}},
        {"CS says: 'Table extension_x for schema Lung is already running: jump not taken'",
         {"Jump not taken", "table extension_x", "Lung"}},
        {"CS says: 'Extension 'ABC' no good '", {"Other", "Extension '...' no good", ""}},
    };
    for (const Case& c : cases) {
        const std::optional<std::string_view> words = tarvos::cs_says_words(c.row);
        ASSERT_TRUE(words) << c.row;
        EXPECT_EQ(tarvos::stage_reason(*words), c.reason) << c.row;
    }
    EXPECT_FALSE(tarvos::cs_says_words("CS cannot find a schema for site 'C999', which may be invalid. "));
    EXPECT_FALSE(tarvos::cs_says_words("CS says: 'cut short"));
}

}  // namespace
