// SPDX-License-Identifier: Apache-2.0
// The dialog's file check as its worker thread runs it, over the real
// file-information library: the file is read once, each percent is told once
// and in order, and a stop ends the reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "file_check.h"
#include "morvelio.h"

namespace quillmar::testing {
namespace {

// A file of count type A records of version 140, CR LF after each.
std::string write_records(const std::string& name, int count) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::string record(22824, ' ');
    record[0] = 'A';
    record.replace(16, 3, "140");
    record += "\r\n";
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < count; ++i) out << record;
    return path.string();
}

TEST(FileCheck, ReadsTheFileOnceTellingEachNewPercentInOrder) {
    const std::string path = write_records("quillmar_file_check.txt", 1000);   // 22.8 MB: a note about every 4 MB
    std::vector<int> told;
    FileCheck check([&](int percent) { told.push_back(percent); });
    const FileInfoResult result = check.run(&hsGet_naaccr_file_info_utf8, path);
    std::filesystem::remove(path);
    EXPECT_FALSE(result.failed()) << result.error_text;
    EXPECT_EQ(result.info.record_count, 1000u);
    EXPECT_EQ(result.info.line_end_code, 3);
    ASSERT_GE(told.size(), 4u);
    // Rising only (a second pass would start again from the beginning), and
    // the whole file once, at the end.
    EXPECT_EQ(std::adjacent_find(told.begin(), told.end(), std::greater_equal<int>()), told.end());
    EXPECT_EQ(told.back(), 100);
    EXPECT_LT(told.front(), 100);
}

TEST(FileCheck, AStopEndsTheReading) {
    const std::string path = write_records("quillmar_file_check_stop.txt", 1000);
    std::vector<int> told;
    FileCheck* self = nullptr;
    FileCheck check([&](int percent) {
        told.push_back(percent);
        self->stop();   // as the window's thread does when another file is picked
    });
    self = &check;
    const FileInfoResult result = check.run(&hsGet_naaccr_file_info_utf8, path);
    std::filesystem::remove(path);
    EXPECT_EQ(result.status, MORVELIO_STOPPED);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_LT(told[0], 100);
}

TEST(FileCheck, PercentReadIsWholeAndReachesAHundredOnlyAtTheEnd) {
    EXPECT_EQ(percent_read(0, 0), 0);   // size unknown
    EXPECT_EQ(percent_read(1, 3), 33);
    EXPECT_EQ(percent_read(3, 3), 100);
    EXPECT_EQ(percent_read(4, 3), 100);
    const std::uint64_t huge = UINT64_MAX - 7;   // no overflow on the way
    EXPECT_EQ(percent_read(huge / 2, huge), 49);
    EXPECT_EQ(percent_read(huge - 1, huge), 99);
}

}  // namespace
}  // namespace quillmar::testing
