// SPDX-License-Identifier: Apache-2.0
// Reading gzip-compressed input: members one after another across every
// chunk edge, the byte where a damaged or cut-short stream broke, the
// read-ahead thread's order, end and failure, and a file told gzip by its
// first bytes, not its name, described like its plain form.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gzip_reader.h"
#include "input_bytes.h"
#include "morvelio.h"
#include "read_ahead.h"

namespace fs = std::filesystem;

namespace {

// One gzip member holding data.
std::string gzip_member(const std::string& data, int level = 6) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Text that does not repeat much, so that the compressed stream spans many chunks.
std::string text(std::size_t size, unsigned seed) {
    std::string s(size, ' ');
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = (i % 97 == 96) ? '\n' : static_cast<char>('A' + (seed >> 16) % 26);
    }
    return s;
}

// Hands out at most chunk bytes a read; fails after fail_after bytes.
naaccr::ByteSource memory_source(std::string data, std::size_t chunk, std::size_t fail_after = std::string::npos) {
    auto pos = std::make_shared<std::size_t>(0);
    return [data = std::move(data), chunk, fail_after, pos](std::span<char> buffer) -> std::ptrdiff_t {
        if (*pos >= fail_after) return -1;
        const std::size_t n = std::min({chunk, buffer.size(), data.size() - *pos, fail_after - *pos});
        std::memcpy(buffer.data(), data.data() + *pos, n);
        *pos += n;
        return static_cast<std::ptrdiff_t>(n);
    };
}

struct Unpacked {
    std::string bytes;
    bool failed = false;
    std::string error;
};

template <typename Reader>
Unpacked read_through(Reader& reader, std::size_t read_size) {
    Unpacked u;
    std::vector<char> buffer(read_size);
    for (;;) {
        const std::ptrdiff_t n = reader.read(buffer);
        if (n < 0) {
            u.failed = true;
            return u;
        }
        if (n == 0) return u;
        u.bytes.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

Unpacked gunzip(const std::string& packed, std::size_t chunk = 1 << 16, std::size_t read_size = 4096) {
    naaccr::GzipReader reader(memory_source(packed, chunk), chunk);
    Unpacked u = read_through(reader, read_size);
    u.error = reader.error();
    return u;
}

TEST(GzipReader, MembersOneAfterAnotherAcrossEveryChunkEdge) {
    const std::string a = text(70000, 1), b = text(3, 2), c = text(50000, 3);
    // An empty member in the middle, as a tool that joins files may leave.
    const std::string packed = gzip_member(a, 1) + gzip_member(b) + gzip_member("") + gzip_member(c, 9);
    for (const std::size_t chunk : {1, 7, 4096, 1 << 20})
        for (const std::size_t read_size : {1, 13, 65536}) {
            if (chunk == 1 && read_size == 1) continue;  // slow, and no edge the others miss
            const Unpacked u = gunzip(packed, chunk, read_size);
            EXPECT_FALSE(u.failed) << u.error << " chunk " << chunk << ", reads of " << read_size;
            EXPECT_TRUE(u.bytes == a + b + c) << "chunk " << chunk << ", reads of " << read_size;
        }
}

TEST(GzipReader, NamesTheByteWhereAStreamBroke) {
    const std::string data = text(200000, 4);
    const std::string member = gzip_member(data);

    const Unpacked cut = gunzip(member.substr(0, member.size() - 10));
    EXPECT_TRUE(cut.failed);
    EXPECT_EQ(cut.error, "the gzip-compressed data is cut short: the file ends at byte " +
                             std::to_string(member.size() - 10) + " inside a compressed member");
    EXPECT_LT(cut.bytes.size(), data.size());
    EXPECT_EQ(cut.bytes, data.substr(0, cut.bytes.size()));  // what came before the break is as packed

    // The check sum is the 4 bytes before the 4 of the length at the end.
    std::string crc = member;
    crc[crc.size() - 6] ^= 0x01;
    const Unpacked damaged = gunzip(crc);
    EXPECT_TRUE(damaged.failed);
    EXPECT_EQ(damaged.error, "the gzip-compressed data is damaged at byte " + std::to_string(member.size() - 4) +
                                 " of the file (incorrect data check)");

    // After a whole member, anything that is not another member is damage.
    const Unpacked trailing = gunzip(member + "PK\x03\x04 and more");
    EXPECT_TRUE(trailing.failed);
    EXPECT_NE(trailing.error.find("damaged at byte " + std::to_string(member.size() + 2)), std::string::npos)
        << trailing.error;

    // A failing source is no damage: the reader leaves the reason to the file.
    naaccr::GzipReader reader(memory_source(member, 100, 500));
    EXPECT_TRUE(read_through(reader, 4096).failed);
    EXPECT_EQ(reader.error(), "");
}

TEST(ReadAhead, GivesTheSourceInOrderThenItsEndOrFailureAndStopsEarly) {
    const std::string data = text(100000, 5);
    for (const std::size_t block : {7, 65536}) {
        naaccr::ReadAhead ahead(memory_source(data, 333), block);
        const Unpacked u = read_through(ahead, 1000);
        EXPECT_FALSE(u.failed);
        EXPECT_TRUE(u.bytes == data) << "blocks of " << block;
        std::vector<char> more(10);
        EXPECT_EQ(ahead.read(more), 0);  // the end stays the end
    }
    naaccr::ReadAhead failing(memory_source(data, 333, 5000), 1024);
    const Unpacked f = read_through(failing, 700);
    EXPECT_TRUE(f.failed);
    EXPECT_EQ(f.bytes, data.substr(0, 5000));  // every byte before the failure, then the failure
    std::vector<char> more(10);
    EXPECT_EQ(failing.read(more), -1);
    // A reader that stops early (a refused file) must not wait for the thread.
    { naaccr::ReadAhead stopped(memory_source(data, 10), 16); }
}

class GzipFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gzip-input-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& content) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    fs::path dir_;
};

TEST_F(GzipFile, ToldByItsFirstBytesAndReadWhole) {
    const std::string data = text(3 << 20, 6);  // more than a read-ahead block
    naaccr::InputBytes packed, plain, one_byte;
    ASSERT_TRUE(packed.open(write("looks-plain.dat", gzip_member(data.substr(0, 1000)) + gzip_member(data.substr(1000)))));
    EXPECT_TRUE(packed.compressed());
    EXPECT_TRUE(read_through(packed, 1 << 20).bytes == data);
    // A plain file loses none of the bytes looked at to tell it from gzip.
    ASSERT_TRUE(plain.open(write("in.txt.gz", "\x1f plain")));
    EXPECT_FALSE(plain.compressed());
    EXPECT_EQ(read_through(plain, 1).bytes, "\x1f plain");
    ASSERT_TRUE(one_byte.open(write("one", "\x1f")));
    EXPECT_EQ(read_through(one_byte, 10).bytes, "\x1f");
}

// The file-information export describes a gzip file as its plain form, and
// names where a damaged one broke.
TEST_F(GzipFile, FileInformationAsForThePlainFile) {
    std::string record(3339, ' ');
    record[0] = 'I';
    record.replace(16, 3, "140");
    std::string content;
    for (int i = 0; i < 5; ++i) content += record + "\r\n";
    const auto info_of = [](const std::string& path, std::string& error) {
        std::vector<char> info(MORVELIO_FILE_INFO_SIZE, 0);
        std::memcpy(info.data(), path.data(), path.size());
        const int result = hsGet_naaccr_file_info(info.data());
        error = &info[MORVELIO_FI_ERROR_TEXT];
        info.resize(MORVELIO_FI_ERROR_TEXT);
        return std::make_pair(result, info);
    };
    std::string plain_error, packed_error, damaged_error;
    auto plain = info_of(write("in.txt", content), plain_error);
    auto packed = info_of(write("in.txt.gz", gzip_member(content)), packed_error);
    ASSERT_EQ(packed.first, 0) << packed_error;
    // Every value after the path: record type, version, line ends, length and count.
    EXPECT_TRUE(std::equal(plain.second.begin() + MORVELIO_FI_PATH_SIZE, plain.second.end(),
                           packed.second.begin() + MORVELIO_FI_PATH_SIZE));
    EXPECT_EQ(packed.second[MORVELIO_FI_RECORD_TYPE], 'I');

    std::string cut = gzip_member(content);
    cut.resize(cut.size() - 3);
    const auto damaged = info_of(write("cut.gz", cut), damaged_error);
    EXPECT_EQ(damaged.first, MORVELIO_READ_ERROR);
    EXPECT_NE(damaged_error.find("cut short: the file ends at byte " + std::to_string(cut.size())), std::string::npos)
        << damaged_error;
}

}  // namespace
