// SPDX-License-Identifier: Apache-2.0
// The file-information exports on real files: the values of a good file, and
// each failure with its error text.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "file_scan.h"
#include "morvelio.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLength = 22824;

std::string record(char type = 'A', const char* version = "140", std::size_t length = kLength) {
    std::string r(length, ' ');
    if (length > 0) r[0] = type;
    if (length >= 19) r.replace(16, 3, version);
    return r;
}

struct Info {
    int result;
    std::vector<char> bytes;
    char type() const { return bytes[MORVELIO_FI_RECORD_TYPE]; }
    std::string version() const { return std::string(&bytes[MORVELIO_FI_VERSION]); }
    std::uint32_t u32(std::size_t at) const {
        std::uint32_t v;
        std::memcpy(&v, &bytes[at], sizeof v);
        return v;
    }
    std::uint32_t length() const { return u32(MORVELIO_FI_RECORD_LENGTH); }
    std::uint32_t count() const { return u32(MORVELIO_FI_RECORD_COUNT); }
    std::string line_end() const {
        return std::string(&bytes[MORVELIO_FI_LINE_END_1], strnlen(&bytes[MORVELIO_FI_LINE_END_1], 2));
    }
    std::string error() const { return std::string(&bytes[MORVELIO_FI_ERROR_TEXT]); }
};

class FileInfo : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("morvelio-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& content) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    static Info info_of(const std::string& path) {
        Info info{0, std::vector<char>(MORVELIO_FILE_INFO_SIZE, 0)};
        std::memcpy(info.bytes.data(), path.data(), std::min(path.size(), std::size_t{MORVELIO_FI_PATH_SIZE}));
        info.result = hsGet_naaccr_file_info(info.bytes.data());
        return info;
    }
    fs::path dir_;
};

TEST_F(FileInfo, DescribesAGoodFileWithEitherLineEnd) {
    const Info lf = info_of(write("lf.txt", record() + "\n" + record() + "\n" + record() + "\n"));
    EXPECT_EQ(lf.result, 0) << lf.error();
    EXPECT_EQ(lf.type(), 'A');
    EXPECT_EQ(lf.version(), "140");
    EXPECT_EQ(lf.line_end(), "\n");
    EXPECT_EQ(lf.length(), kLength);
    EXPECT_EQ(lf.count(), 3u);

    const Info crlf = info_of(write("crlf.txt", record('M', "150") + "\r\n" + record('M', "150") + "\r\n"));
    EXPECT_EQ(crlf.result, 0) << crlf.error();
    EXPECT_EQ(crlf.type(), 'M');
    EXPECT_EQ(crlf.version(), "150");
    EXPECT_EQ(crlf.line_end(), "\r\n");
    EXPECT_EQ(crlf.count(), 2u);
}

TEST_F(FileInfo, LastLineWithoutLineEndCountsAndSingleRecordHasNoLineEnd) {
    const Info two = info_of(write("two.txt", record() + "\r\n" + record()));
    EXPECT_EQ(two.result, 0) << two.error();
    EXPECT_EQ(two.count(), 2u);
    const Info one = info_of(write("one.txt", record()));
    EXPECT_EQ(one.result, 0) << one.error();
    EXPECT_EQ(one.count(), 1u);
    EXPECT_EQ(one.line_end(), "");
    EXPECT_EQ(one.length(), kLength);
}

TEST_F(FileInfo, MissingFileAndFolderCannotBeOpened) {
    const std::string missing = (dir_ / "missing.txt").string();
    const Info a = info_of(missing);
    EXPECT_EQ(a.result, MORVELIO_CANNOT_OPEN);
    EXPECT_NE(a.error().find(missing), std::string::npos) << a.error();
    const Info b = info_of(dir_.string());
    EXPECT_EQ(b.result, MORVELIO_CANNOT_OPEN);
    EXPECT_NE(b.error().find("folder"), std::string::npos) << b.error();
    EXPECT_GT(info_of("").result, 0);
}

TEST_F(FileInfo, EmptyFileFails) {
    const std::string path = write("empty.txt", "");
    const Info info = info_of(path);
    EXPECT_EQ(info.result, MORVELIO_EMPTY);
    EXPECT_NE(info.error().find(path), std::string::npos) << info.error();
    EXPECT_NE(info.error().find("empty"), std::string::npos) << info.error();
}

TEST_F(FileInfo, FirstRecordTooShortForTheVersionFails) {
    const Info info = info_of(write("short.txt", "A234567890123456\n" + record() + "\n"));
    EXPECT_EQ(info.result, MORVELIO_TOO_SHORT);
    EXPECT_NE(info.error().find("16 characters"), std::string::npos) << info.error();
    // 19 characters hold the version: that is a file of 19-character records.
    const Info nineteen = info_of(write("nineteen.txt", record('A', "140", 19) + "\n"));
    EXPECT_EQ(nineteen.result, 0) << nineteen.error();
    EXPECT_EQ(nineteen.version(), "140");
    EXPECT_EQ(nineteen.length(), 19u);
}

TEST_F(FileInfo, RecordOfAnotherLengthFailsNamingLineAndLengthButCountsAll) {
    const std::string content =
        record() + "\n" + record() + "\n" + record('A', "140", 22000) + "\n" + record('A', "140", 22900) + "\n" + record() + "\n";
    const Info info = info_of(write("mixed.txt", content));
    EXPECT_EQ(info.result, MORVELIO_LENGTH_DIFFERS);
    EXPECT_NE(info.error().find("line 3 is 22000"), std::string::npos) << info.error();
    EXPECT_EQ(info.count(), 5u);
    EXPECT_EQ(info.version(), "140");
    EXPECT_EQ(info.length(), kLength);
}

TEST_F(FileInfo, PathFillingTheWholeSlotIsRefused) {
    std::vector<char> bytes(MORVELIO_FILE_INFO_SIZE, 'x');
    bytes.resize(MORVELIO_FILE_INFO_SIZE);
    EXPECT_EQ(hsGet_naaccr_file_info(bytes.data()), MORVELIO_CANNOT_OPEN);
    EXPECT_STREQ(&bytes[MORVELIO_FI_ERROR_TEXT], "The file name is too long.");
}

TEST(MorvelioInfo, FillsVersionDateAndTwoLineMaker) {
    std::vector<char> block(MORVELIO_INFO_SIZE, 0);
    EXPECT_EQ(hsGet_morvelio_dll_info(block.data()), 0);
    EXPECT_GT(std::strlen(&block[MORVELIO_INFO_VERSION]), 0u);
    EXPECT_LT(std::strlen(&block[MORVELIO_INFO_VERSION]), 16u);
    EXPECT_GT(std::strlen(&block[MORVELIO_INFO_DATE]), 0u);
    const std::string maker(&block[MORVELIO_INFO_MAKER]);
    EXPECT_LT(maker.size(), 64u);
    EXPECT_NE(maker.find('\n'), std::string::npos);
}

TEST(LineEndCode, CrCountsTwoAndLfOne) {
    EXPECT_EQ(morvelio::line_end_code('\r', '\n'), 3);
    EXPECT_EQ(morvelio::line_end_code('\n', '\0'), 1);
    EXPECT_EQ(morvelio::line_end_code('\r', '\0'), 2);
    EXPECT_EQ(morvelio::line_end_code('\n', '\r'), 3);
    EXPECT_EQ(morvelio::line_end_code('\0', '\0'), 0);
}

}  // namespace
