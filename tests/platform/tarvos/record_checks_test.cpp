// SPDX-License-Identifier: Apache-2.0
// What a file must be to be converted, as a run finds it in one read: the
// first record's type, length and version looked at before anything is
// written; every other record checked as it is converted; short and long
// lines, UTF-8 text, compressed and binary files, empty lines.
#include "record_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "input_source.h"
#include "record_stream.h"

namespace {

namespace fs = std::filesystem;

std::string record(char type, std::size_t length, const char* version = "140", const char* end = "\n") {
    std::string r(length, ' ');
    if (length > 0) r[0] = type;
    if (length >= 19) r.replace(16, 3, version);
    return r + end;
}

struct Looked {
    std::string refusal;  // the first look's, or the records'
    tarvos::FileShape shape;
    tarvos::StreamCounts counts;
};

// A run's look at text: the first record, then every record streamed through
// the checks into an output that is thrown away.
Looked look(const std::string& text) {
    // A file of each test's own: the tests run side by side.
    const fs::path file = fs::temp_directory_path() /
                          ("record-checks-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::ofstream(file, std::ios::binary) << text;
    tarvos::InputSource input;
    Looked r;
    if (!input.open(file.string())) {
        r.refusal = input.refusal();
        return r;
    }
    r.shape = input.shape();
    tarvos::BlockWriter discard([](std::string_view) { return true; });
    const tarvos::StreamResult streamed = tarvos::stream_records(
        input.lines(), discard, r.shape.record_length, [](int, char*, unsigned char&, unsigned char&) { return 0; },
        nullptr, nullptr, tarvos::record_check(r.shape.record_type));
    if (streamed.end == tarvos::StreamEnd::bad_record) r.refusal = tarvos::problems_refusal("in.dat", streamed);
    r.counts = streamed.counts;
    return r;
}

TEST(RecordChecks, EachRecordTypeHasItsLength) {
    EXPECT_EQ(tarvos::record_length_of_type('A'), 22824u);
    EXPECT_EQ(tarvos::record_length_of_type('M'), 22824u);
    EXPECT_EQ(tarvos::record_length_of_type('C'), 5564u);
    EXPECT_EQ(tarvos::record_length_of_type('I'), 3339u);
    EXPECT_FALSE(tarvos::record_length_of_type('X'));
    EXPECT_FALSE(tarvos::record_length_of_type(' '));
    for (const auto& [type, length] : {std::pair{'A', 22824}, {'M', 22824}, {'C', 5564}, {'I', 3339}}) {
        const Looked r = look(record(type, length, "140", "\r\n") + record(type, length, "140", "\r\n"));
        EXPECT_EQ(r.refusal, "") << type;
        EXPECT_EQ(r.shape.record_type, type);
        EXPECT_EQ(r.shape.record_length, static_cast<std::size_t>(length));
        EXPECT_EQ(r.counts.read, 2u);
        EXPECT_EQ(tarvos::line_end_code(r.shape.line_end), 3);
    }
}

TEST(RecordChecks, TheFirstRecordMustHaveAKnownTypeItsLengthAndVersion140) {
    EXPECT_NE(look(record('X', 22824)).refusal.find("record type \"X\" in column 1"), std::string::npos);
    EXPECT_NE(look(record('I', 22824)).refusal.find("3339 characters long, but its first record is 22824"),
              std::string::npos);
    EXPECT_NE(look(record('A', 22824, "150")).refusal.find("version \"150\""), std::string::npos);
    EXPECT_NE(look(record('A', 22824, "   ")).refusal.find("version blank"), std::string::npos);
    EXPECT_NE(look(record('A', 22824, "\x1b[2")).refusal.find("version \"\\x1B[2\""), std::string::npos);
    EXPECT_NE(look("").refusal.find("is empty"), std::string::npos);
}

TEST(RecordChecks, EveryRecordIsCheckedAndTheFirstTenAreNamed) {
    std::string text = record('A', 22824);
    for (int i = 2; i <= 13; ++i) text += record('A', 22824, i % 2 ? "150" : "140");
    text += record('M', 22824);
    const Looked r = look(text);
    EXPECT_EQ(r.counts.read, 14u);
    EXPECT_NE(r.refusal.find("has 7 records that cannot be converted: line 3: version \"150\"; line 5"),
              std::string::npos)
        << r.refusal;
    EXPECT_NE(r.refusal.find("line 14: record type \"M\""), std::string::npos) << r.refusal;

    std::string many = record('I', 3339);
    for (int i = 0; i < 15; ++i) many += record('I', 3339, "160");
    const Looked m = look(many);
    EXPECT_NE(m.refusal.find("has 15 records"), std::string::npos) << m.refusal;
    EXPECT_NE(m.refusal.find("line 11: version \"160\"; and more"), std::string::npos) << m.refusal;
}

TEST(RecordChecks, ShortLinesArePaddedAndLongOnesNeedABlankTail) {
    const Looked ok = look(record('A', 22824) + record('A', 20000) + record('A', 22830));
    EXPECT_EQ(ok.refusal, "");
    EXPECT_EQ(ok.counts.padded, 1u);
    EXPECT_EQ(ok.counts.cut, 1u);
    std::string long_text = record('A', 22830);
    long_text[22826] = 'x';
    const Looked bad = look(record('A', 22824) + long_text);
    EXPECT_NE(bad.refusal.find("line 2: 22830 bytes, more than the 22824 characters of a record"), std::string::npos)
        << bad.refusal;
}

TEST(RecordChecks, UTF8TextOfTheRecordLengthInCharactersIsARecord) {
    std::string utf8 = record('A', 22824);
    utf8.replace(80, 1, "\xc3\xa9");  // one character, two bytes
    const Looked ok = look(record('A', 22824) + utf8);
    EXPECT_EQ(ok.refusal, "");
    EXPECT_EQ(ok.counts.utf8, 1u);
    EXPECT_EQ(ok.counts.cut, 0u);  // read as UTF-8 before its last blank could be dropped
    std::string latin = record('A', 22824);
    latin.replace(80, 1, "\xe9\xe9");  // two bytes that are no UTF-8, and a character too many
    latin.replace(latin.size() - 2, 1, "x");
    EXPECT_NE(look(record('A', 22824) + latin).refusal.find("line 2: 22825 bytes"), std::string::npos);
}

TEST(RecordChecks, CompressedAndBinaryFilesAreNamedForWhatTheyAre) {
    // The content of a gzip file is what this sees: gzip data there is packed twice.
    EXPECT_NE(tarvos::first_look(std::string_view("\x1f\x8b\x08\x00rest", 8), nullptr, "in.dat")
                  .refusal.find("gzip-compressed twice: unpack it once first"),
              std::string::npos);
    EXPECT_NE(look("PK\x03\x04rest").refusal.find("zip archive: unpack it first"), std::string::npos);
    EXPECT_NE(look(std::string(100, '\0')).refusal.find("not a text file"), std::string::npos);
    EXPECT_FALSE(tarvos::binary_kind(record('A', 100)));
}

// No record is made up: an empty line, or one too short to hold its version,
// is refused by its line; only the file's last line end, doubled, passes.
TEST(RecordChecks, EmptyLinesAreNoRecordsButADoubledLastLineEndPasses) {
    const std::string a = record('A', 22824);
    const Looked doubled = look(a + a + "\n");
    EXPECT_EQ(doubled.refusal, "");
    EXPECT_EQ(doubled.counts.read, 2u);
    EXPECT_EQ(doubled.counts.final_empty_lines, 1u);
    const Looked between = look(a + "\n" + a + "A\n");
    EXPECT_NE(between.refusal.find("line 2: an empty line, not a record; line 4: 1 characters, too short"),
              std::string::npos)
        << between.refusal;
    EXPECT_NE(look(a + a + "\n\n").refusal.find("line 3: an empty line"), std::string::npos);
}

}  // namespace
