// The look at every record before anything is written: record types and
// their lengths, versions and types record by record, short and long lines,
// compressed and binary files.
#include "inspection.h"

#include <gtest/gtest.h>

#include <string>

#include "file_checks.h"

namespace {

std::string record(char type, std::size_t length, const char* version = "140", const char* end = "\n") {
    std::string r(length, ' ');
    if (length > 0) r[0] = type;
    if (length >= 19) r.replace(16, 3, version);
    return r + end;
}

tarvos::Inspection inspect(const std::string& text) {
    std::size_t at = 0;
    naaccr::LineReader reader(
        [&](std::span<char> buffer) -> std::ptrdiff_t {
            const std::size_t n = std::min(buffer.size(), text.size() - at);
            std::copy_n(text.data() + at, n, buffer.data());
            at += n;
            return static_cast<std::ptrdiff_t>(n);
        },
        tarvos::kLineKeepLimit, 4096);
    return tarvos::inspect_lines(reader, std::string_view(text).substr(0, 64), "in.dat");
}

TEST(Inspection, EachRecordTypeHasItsLength) {
    EXPECT_EQ(tarvos::record_length_of_type('A'), 22824u);
    EXPECT_EQ(tarvos::record_length_of_type('M'), 22824u);
    EXPECT_EQ(tarvos::record_length_of_type('C'), 5564u);
    EXPECT_EQ(tarvos::record_length_of_type('I'), 3339u);
    EXPECT_FALSE(tarvos::record_length_of_type('X'));
    EXPECT_FALSE(tarvos::record_length_of_type(' '));
    for (const auto& [type, length] : {std::pair{'A', 22824}, {'M', 22824}, {'C', 5564}, {'I', 3339}}) {
        const tarvos::Inspection r = inspect(record(type, length, "140", "\r\n") + record(type, length, "140", "\r\n"));
        EXPECT_EQ(r.refusal, "") << type;
        EXPECT_EQ(r.record_type, type);
        EXPECT_EQ(r.record_length, static_cast<std::size_t>(length));
        EXPECT_EQ(r.records, 2u);
        EXPECT_EQ(tarvos::line_end_code(r.line_end), 3);
    }
}

TEST(Inspection, TheFirstRecordMustHaveAKnownTypeItsLengthAndVersion140) {
    EXPECT_NE(inspect(record('X', 22824)).refusal.find("record type \"X\" in column 1"), std::string::npos);
    EXPECT_NE(inspect(record('I', 22824)).refusal.find("3339 characters long, but its first record is 22824"),
              std::string::npos);
    EXPECT_NE(inspect(record('A', 22824, "150")).refusal.find("version \"150\""), std::string::npos);
    EXPECT_NE(inspect(record('A', 22824, "   ")).refusal.find("version blank"), std::string::npos);
    EXPECT_NE(inspect(record('A', 22824, "\x1b[2")).refusal.find("version \"\\x1B[2\""), std::string::npos);
    EXPECT_NE(inspect("").refusal.find("is empty"), std::string::npos);
}

TEST(Inspection, EveryRecordIsCheckedAndTheFirstTenAreNamed) {
    std::string text = record('A', 22824);
    for (int i = 2; i <= 13; ++i) text += record('A', 22824, i % 2 ? "150" : "140");
    text += record('M', 22824);
    const tarvos::Inspection r = inspect(text);
    EXPECT_EQ(r.records, 14u);
    EXPECT_EQ(r.problem_count, 7u);  // six version 150 records and one of type M
    ASSERT_EQ(r.problems.size(), 7u);
    EXPECT_EQ(r.problems[0], "line 3: version \"150\"");
    EXPECT_EQ(r.problems[6], "line 14: record type \"M\"");
    EXPECT_NE(r.refusal.find("has 7 records that cannot be converted: line 3: version \"150\"; line 5"),
              std::string::npos)
        << r.refusal;

    std::string many = record('I', 3339);
    for (int i = 0; i < 15; ++i) many += record('I', 3339, "160");
    const tarvos::Inspection m = inspect(many);
    EXPECT_EQ(m.problem_count, 15u);
    EXPECT_EQ(m.problems.size(), tarvos::kListedProblems);
    EXPECT_NE(m.refusal.find("; and more"), std::string::npos);
}

TEST(Inspection, ShortLinesArePaddedAndLongOnesNeedABlankTail) {
    std::string text = record('A', 22824) + record('A', 20000) + record('A', 22830);
    const tarvos::Inspection ok = inspect(text);
    EXPECT_EQ(ok.refusal, "");
    EXPECT_EQ(ok.short_records, 1u);
    EXPECT_EQ(ok.blank_tails, 1u);
    std::string long_text = record('A', 22830);
    long_text[22826] = 'x';
    const tarvos::Inspection bad = inspect(record('A', 22824) + long_text);
    EXPECT_NE(bad.refusal.find("line 2: 22830 bytes, more than the 22824 characters of a record"),
              std::string::npos)
        << bad.refusal;
}

TEST(Inspection, UTF8TextOfTheRecordLengthInCharactersIsARecord) {
    std::string utf8 = record('A', 22824);
    utf8.replace(80, 1, "\xc3\xa9");  // one character, two bytes
    const tarvos::Inspection ok = inspect(record('A', 22824) + utf8);
    EXPECT_EQ(ok.refusal, "");
    EXPECT_EQ(ok.utf8_records, 1u);
    EXPECT_EQ(ok.blank_tails, 0u);  // read as UTF-8 before its last blank could be dropped
    std::string latin = record('A', 22824);
    latin.replace(80, 1, "\xe9\xe9");  // two bytes that are no UTF-8, and a character too many
    latin.replace(latin.size() - 2, 1, "x");
    EXPECT_NE(inspect(record('A', 22824) + latin).refusal.find("line 2: 22825 bytes"), std::string::npos);
}

TEST(Inspection, CompressedAndBinaryFilesAreNamedForWhatTheyAre) {
    // The content of a gzip file is what this sees: gzip data there is packed twice.
    EXPECT_NE(inspect(std::string("\x1f\x8b\x08\x00rest", 8)).refusal.find("gzip-compressed twice: unpack it once first"),
              std::string::npos);
    EXPECT_NE(inspect("PK\x03\x04rest").refusal.find("zip archive: unpack it first"), std::string::npos);
    EXPECT_NE(inspect(std::string(100, '\0')).refusal.find("not a text file"), std::string::npos);
    EXPECT_FALSE(tarvos::binary_kind(record('A', 100)));
}

}  // namespace

// No record is made up: an empty line, or one too short to hold its version,
// is refused by its line; only the file's last line end, doubled, passes.
TEST(Inspection, EmptyLinesAreNoRecordsButADoubledLastLineEndPasses) {
    const std::string a = record('A', 22824);
    const tarvos::Inspection doubled = inspect(a + a + "\n");
    EXPECT_EQ(doubled.refusal, "");
    EXPECT_EQ(doubled.records, 2u);
    EXPECT_TRUE(doubled.final_line_end_doubled);
    const tarvos::Inspection between = inspect(a + "\n" + a + "A\n");
    EXPECT_NE(between.refusal.find("line 2: an empty line, not a record; line 4: 1 characters, too short"),
              std::string::npos)
        << between.refusal;
    EXPECT_NE(inspect(a + a + "\n\n").refusal.find("line 3: an empty line"), std::string::npos);
}
