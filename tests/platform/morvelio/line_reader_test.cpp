// SPDX-License-Identifier: Apache-2.0
// Line splitting: line ends of every kind, lines cut at block edges, lines
// longer than the keep limit and than the buffer, read errors.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Got {
    std::string text, end;
    std::uint64_t length;
    bool blank_tail;
    bool operator==(const Got&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Got& g) {
    return os << "{text=" << g.text.size() << " chars, end=" << g.end.size() << ", length=" << g.length
              << ", blank_tail=" << g.blank_tail << "}";
}

// A source handing out at most `chunk` bytes per read; fails after `fail_after` bytes.
naaccr::ByteSource memory_source(std::string data, std::size_t chunk, std::size_t fail_after = std::string::npos) {
    auto pos = std::make_shared<std::size_t>(0);
    return [data = std::move(data), chunk, fail_after, pos](std::span<char> buffer) -> std::ptrdiff_t {
        if (*pos >= fail_after) return -1;
        const std::size_t n = std::min({chunk, buffer.size(), data.size() - *pos});
        std::memcpy(buffer.data(), data.data() + *pos, n);
        *pos += n;
        return static_cast<std::ptrdiff_t>(n);
    };
}

std::vector<Got> read_all(const std::string& data, std::size_t keep, std::size_t block, std::size_t chunk = 1 << 20) {
    naaccr::LineReader reader(memory_source(data, chunk), keep, block);
    std::vector<Got> lines;
    naaccr::Line line;
    while (reader.next(line))
        lines.push_back({std::string(line.text), std::string(line.end), line.length, line.blank_tail});
    EXPECT_FALSE(reader.read_failed());
    return lines;
}

TEST(FindLineEnd, FindsTheFirstCrOrLf) {
    EXPECT_EQ(naaccr::find_line_end("abc\ndef\r"), 3u);
    EXPECT_EQ(naaccr::find_line_end("abc\r\ndef"), 3u);
    EXPECT_EQ(naaccr::find_line_end("ab\rc\n"), 2u);
    EXPECT_EQ(naaccr::find_line_end("abc"), std::string_view::npos);
    EXPECT_EQ(naaccr::find_line_end(""), std::string_view::npos);
}

TEST(LineReader, SplitsEveryKindOfLineEndAndKeepsIt) {
    const std::vector<Got> want = {
        {"one", "\n", 3, true}, {"two", "\r\n", 3, true}, {"three", "\r", 5, true}, {"X", "\n", 1, true},
        {"", "\n", 0, true},   {"last", "", 4, true}};
    // Whole buffer, and every block size down to one byte, so that each line
    // end (CR LF in particular) also falls across a block edge.
    for (std::size_t block : {std::size_t{1024}, std::size_t{7}, std::size_t{3}, std::size_t{1}})
        for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{1024}})
            EXPECT_EQ(read_all("one\ntwo\r\nthree\rX\n\nlast", 16, block, chunk), want) << block << "/" << chunk;
}

TEST(LineReader, FinalLineEndMakesNoEmptyLineAndEmptyInputHasNone) {
    EXPECT_EQ(read_all("a\nb\n", 16, 4).size(), 2u);
    EXPECT_EQ(read_all("a\r\nb\r\n", 16, 4).size(), 2u);
    EXPECT_EQ(read_all("a\r", 16, 4), (std::vector<Got>{{"a", "\r", 1, true}}));
    EXPECT_TRUE(read_all("", 16, 4).empty());
    EXPECT_EQ(read_all("\n\n", 16, 4).size(), 2u);
}

TEST(LineReader, LinesPastTheKeepLimitAreCutAndTheirTailChecked) {
    // Within one buffer and longer than the buffer (block 4 < line length).
    for (std::size_t block : {std::size_t{4096}, std::size_t{4}}) {
        const auto lines = read_all("abcdef   \nabcdefg x\r\nab\n" + std::string(50, ' ') + "\n", 6, block, 3);
        ASSERT_EQ(lines.size(), 4u) << block;
        EXPECT_EQ(lines[0], (Got{"abcdef", "\n", 9, true})) << block;
        EXPECT_EQ(lines[1], (Got{"abcdef", "\r\n", 9, false})) << block;
        EXPECT_EQ(lines[2], (Got{"ab", "\n", 2, true})) << block;
        EXPECT_EQ(lines[3], (Got{"      ", "\n", 50, true})) << block;
    }
}

TEST(LineReader, LongLineEndingInCrAtABlockEdge) {
    const std::string data = std::string(20, 'x') + "\r\n" + "y\r" + "z";
    for (std::size_t block = 1; block < 30; ++block) {
        const auto lines = read_all(data, 5, block, block);
        ASSERT_EQ(lines.size(), 3u) << block;
        EXPECT_EQ(lines[0], (Got{"xxxxx", "\r\n", 20, false})) << block;
        EXPECT_EQ(lines[1], (Got{"y", "\r", 1, true})) << block;
        EXPECT_EQ(lines[2], (Got{"z", "", 1, true})) << block;
    }
}

TEST(LineReader, ReadErrorStopsAndIsReported) {
    naaccr::LineReader reader(memory_source("aaaa\nbbbb\ncccc\n", 5, 10), 16, 5);
    naaccr::Line line;
    int lines = 0;
    while (reader.next(line)) ++lines;
    EXPECT_TRUE(reader.read_failed());
    EXPECT_LT(lines, 3);
}

// Reads like the runner does: after each line of length `keep` with a line
// end, as many more of that shape as read_lines gives, into a block of
// `dest_size` bytes.
std::vector<Got> read_mixed(const std::string& data, std::size_t keep, std::size_t block, std::size_t chunk,
                            std::size_t dest_size) {
    naaccr::LineReader reader(memory_source(data, chunk), keep, block);
    std::vector<Got> lines;
    std::vector<char> dest(dest_size);
    naaccr::Line line;
    while (reader.next(line)) {
        lines.push_back({std::string(line.text), std::string(line.end), line.length, line.blank_tail});
        if (line.length != keep || line.end.empty()) continue;
        const std::string end(line.end);
        for (std::size_t n; (n = reader.read_lines(dest, keep, end)) > 0;)
            for (std::size_t i = 0; i < n; ++i)
                lines.push_back({std::string(dest.data() + i * (keep + end.size()), keep), end, keep, true});
    }
    EXPECT_FALSE(reader.read_failed());
    return lines;
}

TEST(LineReader, ReadLinesGivesTheSameLinesAsNext) {
    const std::string inputs[] = {
        "aaaa\nbbbb\ncccc\ndddd\n",
        "aaaa\r\nbbbb\r\ncccc\r\ndddd",
        "aaaa\rbbbb\rcccc\r\ndddd\r\n",   // lone CRs, then CR LF: the CR before an LF is no lone CR
        "aaaa\rbbbb\r\ncccc\rdddd\r",
        "aaaa\nbb\ncccc\ncc\rc\ndddddd\neeee\n",  // short, split and long lines among full ones
        "aaaa\naaaa\naaaa\naaaa\naaaa\naaaa\naaaa\na",
        "aaaa\r\r\naaaa\r\n\naaaa\r",
    };
    for (const std::string& input : inputs)
        for (std::size_t chunk : {1, 3, 7, 64})
            for (std::size_t dest_size : {4, 5, 6, 10, 11, 16, 64})
                EXPECT_EQ(read_mixed(input, 4, 8, chunk, dest_size), read_all(input, 4, 8, chunk))
                    << "input " << &input - inputs << ", chunk " << chunk << ", block " << dest_size;
}

TEST(LineReader, ReadErrorDuringReadLinesIsReported) {
    naaccr::LineReader reader(memory_source("aaaa\nbbbb\ncccc\ndddd\n", 4, 12), 4, 8);
    naaccr::Line line;
    ASSERT_TRUE(reader.next(line));
    std::vector<char> dest(64);
    EXPECT_EQ(reader.read_lines(dest, 4, "\n"), 1u);  // the second line; the rest could not be read
    EXPECT_FALSE(reader.next(line));
    EXPECT_TRUE(reader.read_failed());
}

}  // namespace


// A first look at a file takes its first line and gives it back: the reading
// that follows gets every line, a long one whole, and the bulk read takes
// nothing before the line given back is read again.
TEST(LineReader, ALineGivenBackIsReadAgainFirst) {
    for (const std::string& input : {std::string("aaaa\nbbbb\ncccc\n"), std::string(20, 'x') + "  \nbbbb\ncccc\n"}) {
        const std::vector<Got> expected = read_all(input, 6, 8, 3);
        naaccr::LineReader reader(memory_source(input, 3), 6, 8);
        naaccr::Line line;
        ASSERT_TRUE(reader.next(line));
        reader.put_back();
        EXPECT_EQ(reader.line_number(), 0u);
        char dest[10];
        EXPECT_EQ(reader.read_lines(dest, 4, "\n"), 0u);
        std::vector<Got> got;
        while (reader.next(line)) got.push_back({std::string(line.text), std::string(line.end), line.length, line.blank_tail});
        EXPECT_EQ(got, expected);
        EXPECT_EQ(reader.line_number(), 3u);
    }
}
