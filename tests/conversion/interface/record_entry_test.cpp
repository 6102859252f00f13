// SPDX-License-Identifier: Apache-2.0
// The record entry: cleaning, schema failures and their messages, result flags.
#include "record_entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "printable_bytes.h"
#include "record_builder.h"
#include "stage_writeback.h"
#include "store_rows.h"

namespace vexlin {
namespace {

using test::RecordBuilder;
using test::table_rows;
using test::typical_record;

// A Collaborative Stage library whose schema selection answers what the test
// says, and remembers what it was asked.
struct ScriptedSchema {
    static inline int next_result = 121;
    static inline std::string asked_site, asked_hist, asked_ssf25;
    static int CSTAGE_CALL schema_number(const char* site, const char* hist, const char* ssf25) {
        asked_site = site;
        asked_hist = hist;
        asked_ssf25 = ssf25;
        return next_result;
    }
    static int CSTAGE_CALL schema_count() { return 153; }
    static const char* CSTAGE_CALL schema_name(int) { return "Scripted"; }
    static const char* CSTAGE_CALL text() { return "000000 scripted"; }
    // The calculation's message: none means success.
    static inline std::string message;
    static int CSTAGE_CALL calculate(char* card) {
        std::memcpy(card + CSTAGE_DC_MESSAGE, message.c_str(), message.size() + 1);
        return message.empty() ? 0 : 1;
    }
    static int CSTAGE_CALL to_card(char*, const char*) { return 0; }
    static int CSTAGE_CALL to_record(const char*, char*) { return 0; }
};

class RecordEntry : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = cs_entry_points();
        CsEntryPoints e;
        e.get_schema_number = &ScriptedSchema::schema_number;
        e.get_number_of_schemas = &ScriptedSchema::schema_count;
        e.get_schema_name = &ScriptedSchema::schema_name;
        e.get_timestamp = &ScriptedSchema::text;
        e.get_version = &ScriptedSchema::text;
        e.calculate = &ScriptedSchema::calculate;
        e.move_naaccr_to_datacard = &ScriptedSchema::to_card;
        e.move_datacard_to_naaccr = &ScriptedSchema::to_record;
        set_cs_entry_points(e);
        ScriptedSchema::next_result = 121;
        ScriptedSchema::message.clear();
        state_.open_conversion(ResultsStore::in_memory());
    }
    void TearDown() override {
        state_.close_conversion();
        set_cs_entry_points(saved_);
    }

    int convert(RecordBuilder& r, int record_number = 7) {
        restage_ = review_ = 0xEE;
        return convert_record(state_, record_number, r.span(), restage_, review_);
    }
    std::vector<test::Row> messages() { return table_rows(*state_.store, "messages"); }

    CsEntryPoints saved_;
    LibraryState state_;
    unsigned char restage_ = 0, review_ = 0;
};

TEST_F(RecordEntry, ControlAndHighBytesBecomeBlanksAndNothingElseChanges) {
    RecordBuilder r = typical_record();
    // Bytes at places no rule touches.
    r.set_at(100, "\t").set_at(101, "\r").set_at(102, "\x7f").set_at(103, "\xe9").set_at(104, "A~ z");
    r.set_at(22823, "\n").set_at(5000, std::string(1, '\0'));
    RecordBuilder expected = r;
    expected.set_at(100, "    ").set_at(22823, " ").set_at(5000, " ");
    expected.set(field::kRecordVersion, "150");

    convert(r);
    EXPECT_EQ(test::differing_offsets(r.str(), expected.str()), "");
    EXPECT_EQ(r.get(field::kRecordVersion), "150");
}

// The record is looked at 64 bytes a round, in four lanes of 16, then the
// last bytes one by one: a single bad byte in any of them is found.
TEST_F(RecordEntry, ASingleBadByteIsFoundWhereverItLies) {
    for (const std::size_t at : {5001u, 5017u, 5033u, 5049u, 22790u}) {
        RecordBuilder r = typical_record();
        r.set_at(at, "\x01");
        convert(r);
        EXPECT_EQ(r.str()[at], ' ') << "offset " << at;
    }
}

// Both forms of the look over a record's bytes, sixteen and (where the
// processor has them) thirty-two bytes a vector, find one bad byte in every
// vector of a round and in the bytes after the last round.
TEST(PrintableBytes, EveryPositionIsLookedAt) {
    std::string bytes(300, 'A');
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        for (const char bad : {'\x1F', '\x7F'}) {
            bytes[at] = bad;
            EXPECT_FALSE(vexlin::all_printable(bytes)) << "offset " << at;
            EXPECT_FALSE(vexlin::printable_detail::all_printable_in_lanes<vexlin::printable_detail::Bytes16>(bytes))
                << "offset " << at;
        }
        bytes[at] = at % 2 ? ' ' : '~';
    }
    EXPECT_TRUE(vexlin::all_printable(bytes));
    EXPECT_TRUE(vexlin::printable_detail::all_printable_in_lanes<vexlin::printable_detail::Bytes16>(bytes));
}

// The count of bytes to blank is kept in byte-wide lanes: a record that is
// nothing else overflows them unless they are summed in time.
TEST(PrintableBytes, EveryUnprintableByteOfAWholeRecordIsCounted) {
    std::string bytes(22824, '\x01');
    EXPECT_EQ(vexlin::count_unprintable(bytes), bytes.size());
    bytes[5] = bytes[22823] = 'A';
    EXPECT_EQ(vexlin::count_unprintable(bytes), bytes.size() - 2);
    vexlin::blank_unprintable(bytes);
    EXPECT_EQ(bytes, std::string(5, ' ') + "A" + std::string(22817, ' ') + "A");
    EXPECT_EQ(vexlin::count_unprintable(bytes), 0u);
}

TEST_F(RecordEntry, SchemaIsAskedWithTheRecordsCodes) {
    RecordBuilder r = typical_record();
    r.set(field::kCsSsf25, "988");
    convert(r);
    EXPECT_EQ(ScriptedSchema::asked_site, "C619");
    EXPECT_EQ(ScriptedSchema::asked_hist, "8140");
    EXPECT_EQ(ScriptedSchema::asked_ssf25, "988");
}

// The junction override is what the library is asked, not what the record
// holds: the record keeps its own CS Site-Specific Factor 25.
TEST_F(RecordEntry, JunctionOverrideIsAskedButNotWrittenToTheRecord) {
    RecordBuilder r = typical_record();
    r.set(field::kPrimarySite, "C160").set(field::kCsSsf25, "010");
    RecordBuilder expected = r;
    expected.set(field::kRecordVersion, "150");
    convert(r);
    EXPECT_EQ(ScriptedSchema::asked_ssf25, "982");
    EXPECT_EQ(test::differing_offsets(r.str(), expected.str()), "");
}

TEST_F(RecordEntry, NoSchemaForSiteIsLoggedFrom2004Only) {
    ScriptedSchema::next_result = CSTAGE_NO_SCHEMA_FOR_SITE;
    RecordBuilder r2003 = typical_record();
    r2003.set(field::kDiagnosisYear, "2003").set(field::kPrimarySite, "C999");
    EXPECT_EQ(convert(r2003), 0);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(state_.store->messages_count(), 0);

    RecordBuilder r2004 = typical_record();
    r2004.set(field::kDiagnosisYear, "2004").set(field::kPrimarySite, "C999");
    EXPECT_EQ(convert(r2004, 12), kFlagNoSchemaForSite);
    const auto rows = messages();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (test::Row{"12", "00012345", "CS cannot find a schema for site 'C999', which may be invalid. "}));
}

TEST_F(RecordEntry, EachSchemaFailureKindHasItsFlagAndText) {
    struct Case {
        int schema_result;
        int flag;
        const char* text;
    };
    const Case cases[] = {
        {CSTAGE_NO_SCHEMA_FOR_HISTOLOGY, kFlagNoSchemaForHistology,
         "CS cannot find a schema for histology '8140', which may be invalid. "},
        {-3, kFlagSchemaFailure, "CS schema selection fails for site 'C619', hist '8140', ssf25 '010'."},
        {154, kFlagSchemaFailure, "CS schema selection fails for site 'C619', hist '8140', ssf25 '010'."},
        {0, kFlagSchemaFailure, "CS schema selection fails for site 'C619', hist '8140', ssf25 '010'."},
    };
    int record_number = 1;
    for (const Case& c : cases) {
        state_.store->clear();
        ScriptedSchema::next_result = c.schema_result;
        RecordBuilder r = typical_record();
        r.set(field::kCsSsf25, "010");
        EXPECT_EQ(convert(r, record_number++), c.flag) << c.schema_result;
        const auto rows = messages();
        ASSERT_EQ(rows.size(), 1u) << c.schema_result;
        EXPECT_EQ(rows[0][2], c.text);
    }
}

// The reasons of a calculation error reach the messages table: after the
// schema failure's row, a row for each line, with the record's number and
// Patient ID.
TEST_F(RecordEntry, CalculationReasonsAreLoggedAfterTheSchemaMessageARowALine) {
    ScriptedSchema::next_result = CSTAGE_NO_SCHEMA_FOR_SITE;
    ScriptedSchema::message = "No schema: Primary Site (item 400) 'C999' is not a valid code\nsecond reason\n";
    RecordBuilder r = typical_record();
    r.set(field::kPrimarySite, "C999").set(field::kCsVersionInputCurrent, "020550");
    restage_ = review_ = 0;
    const int flags = convert_record_and_stage(state_, 31, r.span(), 7, restage_, review_);
    EXPECT_EQ(flags, kFlagNoSchemaForSite | kFlagCsCalculationError);
    const auto rows = messages();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (test::Row{"31", "00012345", "CS cannot find a schema for site 'C999', which may be invalid. "}));
    EXPECT_EQ(rows[1], (test::Row{"31", "00012345",
                                  "CS says: 'No schema: Primary Site (item 400) 'C999' is not a valid code '"}));
    EXPECT_EQ(rows[2], (test::Row{"31", "00012345", "CS says: 'second reason '"}));
    EXPECT_EQ(state_.store->messages_count(), 3);
}

TEST_F(RecordEntry, MessageRowsCarryTheCleanedPatientId) {
    ScriptedSchema::next_result = CSTAGE_NO_SCHEMA_FOR_SITE;
    RecordBuilder r = typical_record();
    r.set(field::kPatientId, std::string("00\n12\t4\x01", 8));
    convert(r);
    const auto rows = messages();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], "00 12 4 ");
}

TEST_F(RecordEntry, YearComparesAsCharacters) {
    ScriptedSchema::next_result = CSTAGE_NO_SCHEMA_FOR_SITE;
    for (const char* year : {"    ", "1999", "200 ", "0000"}) {
        RecordBuilder r = typical_record();
        r.set(field::kDiagnosisYear, year);
        EXPECT_EQ(convert(r), 0) << '"' << year << '"';
    }
    // Any text sorting at or above "2004" counts, digits or not.
    for (const char* year : {"2004", "2099", "9999", "A000"}) {
        RecordBuilder r = typical_record();
        r.set(field::kDiagnosisYear, year);
        EXPECT_EQ(convert(r), kFlagNoSchemaForSite) << '"' << year << '"';
    }
}

TEST_F(RecordEntry, ValidSchemaSetsNoFlagWhateverTheYear) {
    for (int schema : {1, 121, 153}) {
        ScriptedSchema::next_result = schema;
        for (const char* year : {"2003", "2004", "2015"}) {
            RecordBuilder r = typical_record();
            r.set(field::kDiagnosisYear, year).set(field::kAddrAtDxCountry, "XYG");
            EXPECT_EQ(convert(r), 0);
        }
    }
    EXPECT_EQ(state_.store->messages_count(), 0);
}

TEST_F(RecordEntry, FlagsAreResetForEveryRecord) {
    RecordBuilder r = typical_record();
    convert(r);
    EXPECT_EQ(restage_, 0);
    EXPECT_EQ(review_, 0);
}

TEST_F(RecordEntry, MessageListKeepsTenTextsAtMost) {
    for (int i = 0; i < 12; ++i) state_.scratch.append_message(std::string(5000, 'x'));
    EXPECT_EQ(state_.scratch.message_count, kMessageSlots);
    EXPECT_EQ(state_.scratch.messages[9].size(), kMessageTextLength - 1);
    RecordBuilder r = typical_record();
    convert(r);
    EXPECT_EQ(state_.scratch.message_count, 0u);
    EXPECT_TRUE(state_.scratch.messages[0].empty());
}

}  // namespace
}  // namespace vexlin
