// SPDX-License-Identifier: Apache-2.0
// What a run of the dialog's form tells the registrar: the counts and time
// left under the progress bar, the closing box's text from the summary, and
// the passing of a run's events to its reporter.
#include "run_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tarvos;

TEST(RunReportTexts, CountsAreGroupedByThousands) {
    EXPECT_EQ(grouped(0), "0");
    EXPECT_EQ(grouped(999), "999");
    EXPECT_EQ(grouped(1000), "1,000");
    EXPECT_EQ(grouped(22824), "22,824");
    EXPECT_EQ(grouped(1234567), "1,234,567");
    EXPECT_EQ(records_done_text(1500, 20000), "1,500 of 20,000 records");
    EXPECT_EQ(records_done_text(1, 1), "1 of 1 record");
    EXPECT_EQ(records_done_text(7, 0), "7 records");
}

TEST(RunReportTexts, TimeLeftFollowsTheRateSoFarOnceItSettles) {
    EXPECT_FALSE(seconds_left(0, 100, 5.0));       // nothing done yet
    EXPECT_FALSE(seconds_left(10, 100, 0.5));      // too early to tell
    EXPECT_FALSE(seconds_left(10, 0, 5.0));        // count unknown
    EXPECT_DOUBLE_EQ(*seconds_left(25, 100, 10.0), 30.0);
    EXPECT_DOUBLE_EQ(*seconds_left(100, 100, 10.0), 0.0);
    EXPECT_DOUBLE_EQ(*seconds_left(120, 100, 10.0), 0.0);  // more records than the dialog counted
    EXPECT_EQ(time_left_text(10, 100, 0.5), "Estimating the time left");
    EXPECT_EQ(time_left_text(99, 100, 100.0), "Almost done");
    EXPECT_EQ(time_left_text(25, 100, 10.0), "About 30 seconds left");
    EXPECT_EQ(time_left_text(50, 100, 41.0), "About 40 seconds left");   // rounded to 5 seconds
    EXPECT_EQ(time_left_text(50, 100, 89.0), "About 90 seconds left");
    EXPECT_EQ(time_left_text(10, 100, 20.0), "About 3 minutes left");   // 180 seconds
    EXPECT_EQ(time_left_text(1, 100, 60.0), "About 99 minutes left");
}

class ClosingBoxTest : public ::testing::Test {
protected:
    ClosingBoxTest() {
        folder = fs::temp_directory_path() /
                 ("closing-box-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(folder);
        const std::string base = (folder / "abstracts").string();
        s.counts.read = s.counts.written = 2345;
        s.counts.calculation_error = 3;
        s.counts.schema_failure = 2;
        s.counts.for_review = 4;
        s.counts.noted = 17;
        s.conversions = 1200;
        s.reviewables = 45;
        s.messages = 9;
        s.derived = true;
        s.output = (folder / "converted.txt").string();
        s.beside.base = base;
        s.beside.database = base + ".db";
        s.beside.messages = base + ".mes";
        s.beside.reviewables = base + ".rev";
        s.beside.conversions = base + ".cnv";
        s.beside.run_log = base + ".log";
        s.beside.summary_page = base + ".html";
    }
    ~ClosingBoxTest() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    static void touch(const std::string& path) { std::ofstream(path) << "x"; }

    fs::path folder;
    Summary s;
};

TEST_F(ClosingBoxTest, SuccessNamesTheCountsAndWhereEverythingIs) {
    touch(s.beside.reviewables);
    touch(s.beside.conversions);
    const ClosingBox box = finished_box(s, false);
    EXPECT_EQ(box.caption, "Conversion finished");
    EXPECT_TRUE(box.page.empty());
    for (const std::string line : {"Records converted: 2,345\n", "Conversions: 1,200\n", "Reviewables: 45\n",
                                   "Messages: 9\n", "Stage errors: 5\n", "Records that need attention: 17\n"})
        EXPECT_NE(box.text.find(line), std::string::npos) << line << " in " << box.text;
    EXPECT_NE(box.text.find("Output: " + s.output + "\n"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("Database: " + s.beside.database + "\n"), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("Run log"), std::string::npos) << box.text;  // none was written
    touch(s.beside.run_log);
    EXPECT_NE(finished_box(s, false).text.find("Run log (the records that need attention): " + s.beside.run_log),
              std::string::npos);
    // Only the reports that were written are listed.
    EXPECT_NE(box.text.find("Reports:\n    " + s.beside.reviewables + "\n    " + s.beside.conversions), std::string::npos)
        << box.text;
    EXPECT_EQ(box.text.find(s.beside.messages), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("Open it now?"), std::string::npos);
    EXPECT_NE(box.text.back(), '\n');
}

TEST_F(ClosingBoxTest, SuccessWithoutStageOrDatabaseSaysSo) {
    s.derived = false;
    s.database_open = false;
    const ClosingBox box = finished_box(s, false);
    EXPECT_EQ(box.text.find("Stage errors"), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("Database:"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("no database and no reports were written"), std::string::npos) << box.text;
    s.database_open = true;
    EXPECT_NE(finished_box(s, false).text.find("No reports were written."), std::string::npos);
}

TEST_F(ClosingBoxTest, ASummaryPageBesideTheInputIsOffered) {
    const ClosingBox box = finished_box(s, true);
    EXPECT_EQ(box.page, s.beside.base + ".html");
    EXPECT_EQ(summary_page_path(s), box.page);
    const std::string offer = "A summary page is beside the input:\n" + box.page + "\n\nOpen it now?";
    ASSERT_GE(box.text.size(), offer.size());
    EXPECT_EQ(box.text.substr(box.text.size() - offer.size()), offer);
}

TEST(ClosingBoxes, RefusalAndAbandonGiveTheReasonAndWhatWasKept) {
    const ClosingBox refused = refused_box("C:\\data\\abstracts.txt", "\"C:\\data\\abstracts.txt\" is being converted by another run");
    EXPECT_EQ(refused.caption, "Conversion not started");
    EXPECT_EQ(refused.text, "The conversion of abstracts.txt did not start:\n\n"
                            "\"C:\\data\\abstracts.txt\" is being converted by another run.\n\nNothing was written.");
    const ClosingBox failed = abandoned_box("/data/abstracts.txt", "cannot write the output beside \"x\": No space", false, true);
    EXPECT_EQ(failed.caption, "Conversion abandoned");
    EXPECT_NE(failed.text.find(":\n\ncannot write the output beside \"x\": No space.\n\n"), std::string::npos) << failed.text;
    EXPECT_NE(failed.text.find("The input and the earlier output file are unchanged."), std::string::npos);
    const ClosingBox cancelled = abandoned_box("/data/abstracts.txt", "interrupted", true, false);
    EXPECT_EQ(cancelled.caption, "Conversion cancelled");
    EXPECT_EQ(cancelled.text, "The conversion of abstracts.txt was cancelled.\n\nNo output was written. The input is unchanged.");
}

struct RecordingReporter : RunReporter {
    std::vector<std::string> events;
    void started(const std::string& input, std::uint64_t total) override {
        events.push_back("started " + input + " " + std::to_string(total));
    }
    void progress(std::uint64_t done) override { events.push_back("progress " + std::to_string(done)); }
    void refused(const std::string& reason) override { events.push_back("refused " + reason); }
    void abandoned(const std::string& reason, bool cancelled, bool output_exists) override {
        events.push_back("abandoned " + reason + (cancelled ? " cancelled" : "") + (output_exists ? " kept" : ""));
    }
    void finished(const Summary& summary) override { events.push_back("finished " + summary.output); }
};

TEST(RunReporterHooks, EventsReachTheReporterOnlyWhileItIsSet) {
    report_progress(1);   // no reporter: nothing happens
    RecordingReporter reporter;
    set_run_reporter(&reporter);
    report_started("in.txt", 3);
    report_progress(2);
    report_abandoned("interrupted", true, false);
    Summary s;
    s.output = "out.txt";
    report_finished(s);
    EXPECT_EQ(refuse_run("the input is gone"), 1);
    set_run_reporter(nullptr);
    report_refused("after");
    EXPECT_EQ(reporter.events, (std::vector<std::string>{"started in.txt 3", "progress 2", "abandoned interrupted cancelled",
                                                         "finished out.txt", "refused the input is gone"}));
}

}  // namespace
