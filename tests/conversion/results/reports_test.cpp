// SPDX-License-Identifier: Apache-2.0
// The three report files written beside the input, read back whole.
#include <gtest/gtest.h>

#include "results_fixtures.h"

namespace vexlin::test {
namespace {

TEST(Reports, EmptyConversionWritesOneLineEach) {
    ScratchDir dir;
    ResultsStore store = ResultsStore::for_file(dir.file("in.txt"));
    EXPECT_EQ(store.write_reports(), 0);
    EXPECT_EQ(read_text(dir.file("in.mes")), "No messages.\n");
    EXPECT_EQ(read_text(dir.file("in.rev")), "No reviewables.\n");
    EXPECT_EQ(read_text(dir.file("in.cnv")), "No conversions.\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("in.db")));
}

TEST(Reports, RowsAreListedWholeAndEarlierReportsReplaced) {
    ScratchDir dir;
    write_text(dir.file("in.cnv"), "stale report of an earlier conversion\nwith two lines\n");
    ResultsStore store = ResultsStore::for_file(dir.file("in.txt"));
    store.log_message(7, "00012345", "CS schema selection fails for site 'C160', hist '8140', ssf25 '999'.");
    store.log_message(9, "", "");
    store.log_reviewable(kCase, kBefore, kAfter);
    store.log_conversion(kCase, "hematopoietic", kBefore, "", kAfter, "");
    store.log_conversion(kCase, "Place of Death--Country", kBefore, "YUG", kBefore, "XEX");
    store.write_reports();

    EXPECT_EQ(read_text(dir.file("in.mes")),
              "sequence, id, msg\n"
              "7, 00012345, CS schema selection fails for site 'C160', hist '8140', ssf25 '999'.\n"
              "9, , \n");
    EXPECT_EQ(read_text(dir.file("in.rev")),
              "recordNum, patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital, v14Hist, "
              "v14Grade, v14Site, v15Hist, v15Grade, v15Site\n"
              "7, 00012345, 00, 0000012345, 123456789, 01, 9823, 9, C421, 9823, 5, C421\n");
    // Empty country codes: nothing between the separators after the v14 site,
    // and the line ends with the v15 site and a separator.
    EXPECT_EQ(read_text(dir.file("in.cnv")),
              "recordNum, patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital, conversionType, "
              "v14Hist, v14Grade, v14Site, v14CountryCode, v15Hist, v15Grade, v15Site, v15CountryCode\n"
              "7, 00012345, 00, 0000012345, 123456789, 01, hematopoietic, 9823, 9, C421, , 9823, 5, C421, \n"
              "7, 00012345, 00, 0000012345, 123456789, 01, Place of Death--Country, 9823, 9, C421, YUG, 9823, 9, "
              "C421, XEX\n");
}

TEST(Reports, InputNamedLikeAReportIsNeverOverwritten) {
    ScratchDir dir;
    const std::string input = dir.file("in.mes");
    write_text(input, "registry records\n");
    ResultsStore store = ResultsStore::for_file(input);
    EXPECT_TRUE(store.is_open());
    store.log_message(7, "00012345", "text");
    store.write_reports();
    EXPECT_EQ(read_text(input), "registry records\n");
    EXPECT_EQ(read_text(dir.file("in.rev")), "No reviewables.\n");
    EXPECT_EQ(read_text(dir.file("in.cnv")), "No conversions.\n");
}

TEST(Reports, RecordConversionWritesNoFiles) {
    ScratchDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    {
        ResultsStore store = ResultsStore::in_memory();
        store.log_message(7, "00012345", "text");
        EXPECT_EQ(store.write_reports(), 0);
    }
    std::filesystem::current_path(previous);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Reports, FileConversionWithoutAnInputPathWritesNoFiles) {
    // No input, so nothing to write beside: no ".mes", ".rev" or ".cnv" may
    // appear in the working folder.
    ScratchDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    {
        ResultsStore store = ResultsStore::for_file("");
        EXPECT_FALSE(store.is_open());
        store.log_message(7, "00012345", "text");
        EXPECT_EQ(store.write_reports(), 0);
    }
    std::filesystem::current_path(previous);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace vexlin::test
