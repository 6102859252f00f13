// SPDX-License-Identifier: Apache-2.0
// Streaming records through a converter: one output record per input record,
// padding, line ends, long records, numbering, counting, and stopping.
#include "record_stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "run_log.h"

namespace {

constexpr std::size_t kLength = 10;  // short records keep the cases readable

naaccr::ByteSource memory_source(std::string data, std::size_t chunk = 7) {
    auto pos = std::make_shared<std::size_t>(0);
    return [data = std::move(data), chunk, pos](std::span<char> buffer) -> std::ptrdiff_t {
        const std::size_t n = std::min({chunk, buffer.size(), data.size() - *pos});
        std::memcpy(buffer.data(), data.data() + *pos, n);
        *pos += n;
        return static_cast<std::ptrdiff_t>(n);
    };
}

struct Streamed {
    tarvos::StreamResult result;
    std::string output;
    std::vector<int> numbers;  // record numbers the converter saw
};

// The converter upper-cases each record and returns flags from a table.
Streamed stream(const std::string& input, std::vector<int> flags = {}, std::size_t out_block = 16) {
    Streamed r;
    naaccr::LineReader reader(memory_source(input), kLength, 8);
    tarvos::BlockWriter writer(
        [&r](std::string_view block) {
            r.output.append(block);
            return true;
        },
        out_block);
    r.result = tarvos::stream_records(
        reader, writer, kLength,
        [&](int n, char* record, unsigned char& restage, unsigned char& review) {
            r.numbers.push_back(n);
            for (std::size_t i = 0; i < kLength; ++i)
                record[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(record[i])));
            const int f = static_cast<std::size_t>(n - 1) < flags.size() ? flags[static_cast<std::size_t>(n - 1)] : 0;
            restage = (f & 1) != 0;
            review = (f & 2) != 0;
            return f & ~3;
        },
        nullptr);
    return r;
}

TEST(RecordStream, OneOutputRecordPerInputRecordWithItsLineEnd) {
    const Streamed r = stream("abcdefghij\nklmnopqrst\r\nuvwxyzabcd\rlast line!");
    ASSERT_EQ(r.result.end, tarvos::StreamEnd::done);
    EXPECT_EQ(r.output, "ABCDEFGHIJ\nKLMNOPQRST\r\nUVWXYZABCD\rLAST LINE!");
    EXPECT_EQ(r.result.counts.read, 4u);
    EXPECT_EQ(r.result.counts.written, 4u);
    EXPECT_EQ(r.numbers, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(r.result.counts.bytes_read, 44u);
}

TEST(RecordStream, ShortRecordsArePaddedAndEmptyLinesAreNone) {
    const Streamed r = stream("abc\r\nabcdefghij\r\n\r\n");
    ASSERT_EQ(r.result.end, tarvos::StreamEnd::done);
    EXPECT_EQ(r.output, "ABC       \r\nABCDEFGHIJ\r\n");
    EXPECT_EQ(r.result.counts.padded, 1u);
    EXPECT_EQ(r.result.counts.final_empty_lines, 1u) << "the doubled last line end: counted, not a record";
    const Streamed between = stream("abc\r\n\r\nabcdefghij\r\n");
    EXPECT_EQ(between.result.end, tarvos::StreamEnd::bad_record);
    EXPECT_EQ(between.result.problems, std::vector<std::string>{"line 2: an empty line, not a record"});
}

TEST(RecordStream, BlanksPastTheLengthAreDroppedAndCounted) {
    const Streamed r = stream("abcdefghij   \nabcdefghij" + std::string(40, ' ') + "\n");
    ASSERT_EQ(r.result.end, tarvos::StreamEnd::done);
    EXPECT_EQ(r.output, "ABCDEFGHIJ\nABCDEFGHIJ\n");
    EXPECT_EQ(r.result.counts.cut, 2u);
}

TEST(RecordStream, OtherCharactersPastTheLengthStopTheConversionNamingTheLine) {
    const Streamed r = stream("abcdefghij\nabcdefghij\nabcdefghij  x\nabcdefghij\n");
    EXPECT_EQ(r.result.end, tarvos::StreamEnd::bad_record);
    EXPECT_EQ(r.result.problems,
              std::vector<std::string>{"line 3: 13 bytes, more than the 10 characters of a record and not UTF-8 text "
                                       "of that length"});
    EXPECT_EQ(r.result.counts.read, 4u);  // read to the end, to name every record that fails
    EXPECT_EQ(r.numbers.size(), 2u);      // neither the bad record nor any after it is converted
}

// A record that fails the check in the middle of a run read ahead ends the
// conversion there; the rest of the file is still read, and each record that
// fails is named by its line, up to ten, and counted.
TEST(RecordStream, ARecordFailingTheCheckInARunReadAheadStopsTheConversionButNotTheReading) {
    std::string input;
    for (int i = 1; i <= 60; ++i) input += (i % 5 == 0 && i >= 25 ? "Xbcdefghi" : "abcdefghi") + std::to_string(i % 10) + "\n";
    naaccr::LineReader reader(memory_source(input, 64), kLength, 64);
    std::string out;
    std::vector<int> numbers;
    tarvos::BlockWriter writer([&](std::string_view b) { out.append(b); return true; }, 4 * (kLength + 1));
    const auto result = tarvos::stream_records(
        reader, writer, kLength,
        [&](int n, char*, unsigned char&, unsigned char&) {
            numbers.push_back(n);
            return 0;
        },
        nullptr, nullptr,
        [](std::string_view text, std::uint64_t) -> std::optional<std::string> {
            if (text[0] != 'X') return std::nullopt;
            return "starts with X";
        });
    EXPECT_EQ(result.end, tarvos::StreamEnd::bad_record);
    EXPECT_EQ(result.counts.read, 60u);
    EXPECT_EQ(numbers.size(), 24u);
    EXPECT_EQ(result.problem_count, 8u);  // lines 25, 30, ... 60
    ASSERT_EQ(result.problems.size(), 8u);
    EXPECT_EQ(result.problems.front(), "line 25: starts with X");
    EXPECT_EQ(result.problems.back(), "line 60: starts with X");
}

TEST(RecordStream, ResultFlagsAndFlagBytesAreCounted) {
    const Streamed r = stream("aaaaaaaaaa\nbbbbbbbbbb\ncccccccccc\ndddddddddd\n", {8 | 1, 16 | 2, 32 | 128 | 3, 0});
    ASSERT_EQ(r.result.end, tarvos::StreamEnd::done);
    const tarvos::StreamCounts& c = r.result.counts;
    EXPECT_EQ(c.no_schema_for_site, 1u);
    EXPECT_EQ(c.no_schema_for_histology, 1u);
    EXPECT_EQ(c.schema_failure, 1u);
    EXPECT_EQ(c.calculation_error, 1u);
    EXPECT_EQ(c.restaged, 2u);
    EXPECT_EQ(c.for_review, 2u);
}

TEST(RecordStream, EmptyInputWritesNothing) {
    const Streamed r = stream("");
    EXPECT_EQ(r.result.end, tarvos::StreamEnd::done);
    EXPECT_EQ(r.result.counts.read, 0u);
    EXPECT_TRUE(r.output.empty());
}

TEST(RecordStream, WriteErrorStops) {
    naaccr::LineReader reader(memory_source("aaaaaaaaaa\nbbbbbbbbbb\ncccccccccc\n"), kLength, 8);
    int writes = 0;
    tarvos::BlockWriter writer([&](std::string_view) { return ++writes < 2; }, 11);
    const auto result = tarvos::stream_records(
        reader, writer, kLength, [](int, char*, unsigned char&, unsigned char&) { return 0; }, nullptr);
    EXPECT_EQ(result.end, tarvos::StreamEnd::write_error);
}

TEST(BlockWriter, WritesBlocksInOrderAndStopsAtTheFirstError) {
    std::string out;
    int calls = 0;
    tarvos::BlockWriter writer([&](std::string_view b) { out.append(b); return ++calls < 3; }, 4);
    for (char c = 'a'; c <= 'z'; ++c) {
        *writer.reserve(1) = c;
        writer.commit(1);
    }
    EXPECT_FALSE(writer.flush());
    EXPECT_TRUE(writer.failed());
    EXPECT_EQ(out, "abcdefghijkl");  // the third block failed; none was written after it
    EXPECT_EQ(calls, 3);
}

TEST(RecordStream, TickReturningFalseStopsAfterThatRecord) {
    naaccr::LineReader reader(memory_source("aaaaaaaaaa\nbbbbbbbbbb\ncccccccccc\n"), kLength, 8);
    std::string out;
    tarvos::BlockWriter writer([&](std::string_view b) { out.append(b); return true; });
    const auto result = tarvos::stream_records(
        reader, writer, kLength, [](int, char*, unsigned char&, unsigned char&) { return 0; },
        [](const tarvos::StreamCounts& c) { return c.read < 2; });
    EXPECT_EQ(result.end, tarvos::StreamEnd::stopped);
    EXPECT_EQ(result.counts.read, 2u);
}

// Streams input (records of kLength) through convert into output, noting
// records into note.
tarvos::StreamResult stream_into(const std::string& input, std::string& output,
                                 const tarvos::RecordConverter& convert, const tarvos::NoteSink& note = nullptr) {
    naaccr::LineReader reader(memory_source(input), kLength, 8);
    tarvos::BlockWriter writer(
        [&output](std::string_view block) {
            output.append(block);
            return true;
        },
        16);
    return tarvos::stream_records(reader, writer, kLength, convert, nullptr, note);
}

// Records shorter than an abstract (incidence, confidential) reach the
// converter as a blank-padded abstract, and only their own length comes back.
TEST(RecordStreamShortTypes, ConvertedInAPaddedAbstractAndWrittenAtTheirLength) {
    const std::string input = "I123456789\nI987654321\r\n";
    std::string output;
    std::vector<std::string> tails;
    const tarvos::StreamResult result = stream_into(
        input, output,
        [&](int, char* record, unsigned char&, unsigned char&) {
            tails.emplace_back(record + kLength, tarvos::kConversionLength - kLength);
            record[1] = 'x';                                  // inside the record: kept
            record[tarvos::kConversionLength - 1] = 'y';      // past it: dropped
            return 0;
        });
    EXPECT_EQ(result.end, tarvos::StreamEnd::done);
    EXPECT_EQ(output, "Ix23456789\nIx87654321\r\n");
    ASSERT_EQ(tails.size(), 2u);
    for (const std::string& tail : tails) EXPECT_EQ(tail, std::string(tail.size(), ' '));
}

// The records worth a note: padded, cut, cleaned, or failed by the conversion;
// a record that is none of these gets no note.
TEST(RecordStreamNotes, EachNoteworthyRecordIsNotedOnceWithWhatHappened) {
    const std::string input = std::string("abcdefghij\n") + "short\n" + "ab\x01" "defghij\n" + "abcdefghij\n" +
                              "abcdefghij    \n";
    std::string output;
    std::vector<tarvos::RecordNote> notes;
    std::vector<std::string> texts;
    const tarvos::StreamResult result = stream_into(
        input, output, [](int n, char*, unsigned char&, unsigned char&) { return n == 4 ? 16 | 128 : 0; },
        [&](const tarvos::RecordNote& n) {
            notes.push_back(n);
            texts.push_back(tarvos::note_text(n));
        });
    EXPECT_EQ(result.end, tarvos::StreamEnd::done);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0].line, 2u);
    EXPECT_TRUE(notes[0].padded);
    EXPECT_EQ(notes[1].line, 3u);
    EXPECT_EQ(notes[1].cleaned_bytes, 1u);
    EXPECT_EQ(notes[2].line, 4u);
    EXPECT_NE(texts[2].find("no Collaborative Stage schema for the histology; stage calculation error"),
              std::string::npos)
        << texts[2];
    EXPECT_TRUE(notes[3].cut);
    EXPECT_NE(texts[0].find("line 2, Patient ID"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("padded with blanks from 5 characters"), std::string::npos) << texts[0];
    EXPECT_EQ(result.counts.cleaned, 1u);
    EXPECT_EQ(result.counts.cleaned_bytes, 1u);
}

// Runs of records of one shape are read ahead on another thread, a block at
// a time; the line reader comes back for the record that breaks the run, and
// a stop in the middle of a block ends the reading cleanly.
TEST(RecordStreamReadAhead, RunsOfOneShapeAreReadAheadAndHandedBackWhereTheShapeChanges) {
    std::string input, expected;
    for (int i = 0; i < 40; ++i) input += "abcdefghi" + std::to_string(i % 10) + "\n";
    input += "short\n";
    for (int i = 0; i < 40; ++i) input += "klmnopqrs" + std::to_string(i % 10) + "\r\n";
    for (int i = 0; i < 40; ++i) expected += "ABCDEFGHI" + std::to_string(i % 10) + "\n";
    expected += "SHORT     \n";
    for (int i = 0; i < 40; ++i) expected += "KLMNOPQRS" + std::to_string(i % 10) + "\r\n";
    const Streamed r = stream(input, {}, 3 * (kLength + 2));
    ASSERT_EQ(r.result.end, tarvos::StreamEnd::done);
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.result.counts.read, 81u);
    EXPECT_EQ(r.result.counts.padded, 1u);
    ASSERT_EQ(r.numbers.size(), 81u);
    for (std::size_t i = 0; i < r.numbers.size(); ++i) ASSERT_EQ(r.numbers[i], static_cast<int>(i + 1));

    naaccr::LineReader reader(memory_source(input), kLength, 8);
    std::string out;
    tarvos::BlockWriter writer([&](std::string_view b) { out.append(b); return true; }, 3 * (kLength + 1));
    const auto stopped = tarvos::stream_records(
        reader, writer, kLength, [](int, char*, unsigned char&, unsigned char&) { return 0; },
        [](const tarvos::StreamCounts& c) { return c.read < 17; });
    EXPECT_EQ(stopped.end, tarvos::StreamEnd::stopped);
    EXPECT_EQ(stopped.counts.read, 17u);
    EXPECT_EQ(out, input.substr(0, 17 * (kLength + 1))) << "what was converted before the stop, and nothing after";
}

}  // namespace
