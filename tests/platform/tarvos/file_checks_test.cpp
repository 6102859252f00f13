// SPDX-License-Identifier: Apache-2.0
// The checks made before anything is written, on real files and links.
#include "file_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(BesideFiles, NamedFromTheInputLessItsExtension) {
    const tarvos::BesideFiles a = tarvos::beside_files("/data/in.txt");
    EXPECT_EQ(a.database, "/data/in.db");
    EXPECT_EQ(a.messages, "/data/in.mes");
    EXPECT_EQ(a.reviewables, "/data/in.rev");
    EXPECT_EQ(a.conversions, "/data/in.cnv");
    EXPECT_EQ(a.summary_page, "/data/in.html");
    EXPECT_EQ(tarvos::beside_files("in.2014.dat").database, "in.2014.db");
    EXPECT_EQ(tarvos::beside_files("/data.d/input").database, "/data.d/input.db");
    EXPECT_EQ(tarvos::beside_files("C:\\data.d\\in.txt").database, "C:\\data.d\\in.db");
}

class PathChecks : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tarvos-checks-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "sub");
        input_ = write("in.dat", record("140"));
    }
    void TearDown() override { fs::remove_all(dir_); }
    static std::string record(const char* version, std::size_t length = tarvos::kRecordLength) {
        std::string r(length, ' ');
        r[0] = 'A';
        if (length >= 19) r.replace(16, 3, version);
        return r + "\n";
    }
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(dir_ / name, std::ios::binary) << content;
        return (dir_ / name).string();
    }
    std::string at(const std::string& name) const { return (dir_ / name).string(); }
    static bool refused(const std::string& in, const std::string& out) {
        return tarvos::check_paths(in, out).has_value();
    }
    fs::path dir_;
    std::string input_;
};

TEST_F(PathChecks, AcceptsANewOutputAndAnExistingOne) {
    EXPECT_FALSE(refused(input_, at("out.dat")));
    write("old.dat", "old");
    EXPECT_FALSE(refused(input_, at("old.dat")));
}

TEST_F(PathChecks, RefusesMissingInputAndFolders) {
    const auto missing = tarvos::check_paths(at("nope.dat"), at("out.dat"));
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->find("does not exist"), std::string::npos);
    EXPECT_TRUE(refused(at("sub"), at("out.dat")));
    EXPECT_TRUE(refused(input_, at("sub")));
}

TEST_F(PathChecks, RefusesTheInputAsOutputUnderEverySpelling) {
    EXPECT_TRUE(refused(input_, input_));
    EXPECT_TRUE(refused(input_, at("sub/../in.dat")));
    EXPECT_TRUE(refused(input_, (dir_ / "." / "in.dat").string()));
    fs::create_hard_link(input_, dir_ / "hard.dat");
    EXPECT_TRUE(refused(input_, at("hard.dat")));
}

// The symbolic-link cases stand apart: the Windows test runs leave them out.
TEST_F(PathChecks, RefusesTheInputAsOutputThroughASymbolicLink) {
    fs::create_symlink(input_, dir_ / "link.dat");
    EXPECT_TRUE(refused(input_, at("link.dat")));
    EXPECT_TRUE(refused(at("link.dat"), input_));
}

TEST_F(PathChecks, RefusesTheFilesWrittenBesideTheInput) {
    for (const char* name : {"in.db", "in.mes", "in.rev", "in.cnv", "in.html", "sub/../in.db"}) {
        const auto refusal = tarvos::check_paths(input_, at(name));
        ASSERT_TRUE(refusal) << name;
        EXPECT_NE(refusal->find("beside the input"), std::string::npos) << *refusal;
    }
    // Also when they exist already.
    write("in.cnv", "old report");
    EXPECT_TRUE(refused(input_, at("in.cnv")));
    EXPECT_FALSE(refused(input_, at("in.txt")));
}

TEST_F(PathChecks, RefusesAFileWrittenBesideTheInputThroughASymbolicLink) {
    write("in.cnv", "old report");
    fs::create_symlink(at("in.cnv"), dir_ / "report-link");
    EXPECT_TRUE(refused(input_, at("report-link")));
}

}  // namespace
