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
    fs::create_symlink(input_, dir_ / "link.dat");
    EXPECT_TRUE(refused(input_, at("link.dat")));
    EXPECT_TRUE(refused(at("link.dat"), input_));
    fs::create_hard_link(input_, dir_ / "hard.dat");
    EXPECT_TRUE(refused(input_, at("hard.dat")));
}

TEST_F(PathChecks, RefusesTheFilesWrittenBesideTheInput) {
    for (const char* name : {"in.db", "in.mes", "in.rev", "in.cnv", "sub/../in.db"}) {
        const auto refusal = tarvos::check_paths(input_, at(name));
        ASSERT_TRUE(refusal) << name;
        EXPECT_NE(refusal->find("beside the input"), std::string::npos) << *refusal;
    }
    // Also when they exist already, and through a link to one of them.
    write("in.cnv", "old report");
    fs::create_symlink(at("in.cnv"), dir_ / "report-link");
    EXPECT_TRUE(refused(input_, at("report-link")));
    EXPECT_FALSE(refused(input_, at("in.txt")));
}

TEST_F(PathChecks, FirstRecordMustBeVersion140OfFullLength) {
    EXPECT_FALSE(tarvos::check_first_record(input_));
    const auto v150 = tarvos::check_first_record(write("v150.dat", record("150")));
    ASSERT_TRUE(v150);
    EXPECT_NE(v150->find("\"150\""), std::string::npos) << *v150;
    const auto short_record = tarvos::check_first_record(write("short.dat", record("140", 22000)));
    ASSERT_TRUE(short_record);
    EXPECT_NE(short_record->find("22000"), std::string::npos) << *short_record;
    EXPECT_TRUE(tarvos::check_first_record(write("long.dat", record("140", 22830))));
    EXPECT_TRUE(tarvos::check_first_record(write("tiny.dat", "A\n")));
    EXPECT_TRUE(tarvos::check_first_record(write("empty.dat", "")));
    EXPECT_TRUE(tarvos::check_file_values(input_, "140", 5564));
    EXPECT_FALSE(tarvos::check_file_values(input_, "140", tarvos::kRecordLength));
}

TEST_F(PathChecks, FirstRecordFitGivesItsLineAndTheFileSize) {
    const auto fit = tarvos::first_record_fit(write("two.dat", record("140") + record("140", 100)));
    ASSERT_TRUE(fit);
    EXPECT_EQ(fit->length, tarvos::kRecordLength);
    EXPECT_EQ(fit->end_length, 1u);
    EXPECT_EQ(fit->file_size, tarvos::kRecordLength + 1 + 101);
    std::string crlf = record("140");
    crlf.insert(crlf.size() - 1, "\r");
    EXPECT_EQ(tarvos::first_record_fit(write("crlf.dat", crlf))->end_length, 2u);
    // Whatever check_first_record refuses is no fit.
    for (const auto& [name, content] : {std::pair{"v150.dat", record("150")}, {"short.dat", record("140", 22000)},
                                        {"tiny.dat", std::string("A\n")}, {"empty.dat", std::string()}})
        EXPECT_FALSE(tarvos::first_record_fit(write(name, content))) << name;
    EXPECT_FALSE(tarvos::first_record_fit(at("nope.dat")));
}

}  // namespace

TEST(FileValues, AVersionOfJunkIsShownEscaped) {
    const auto refusal = tarvos::check_file_values("in.dat", std::string_view("\x1b[2", 3), tarvos::kRecordLength);
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->find("version \"\\x1B[2\""), std::string::npos) << *refusal;
    const auto high = tarvos::check_file_values("in.dat", "\xff\\1", tarvos::kRecordLength);
    ASSERT_TRUE(high);
    EXPECT_NE(high->find("version \"\\xFF\\x5C1\""), std::string::npos) << *high;
}
