// SPDX-License-Identifier: Apache-2.0
// The stages of a run on their own: the plan (names, temporary names, the
// dialog's stated values) and the placement of the finished files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "placement.h"
#include "run_plan.h"

namespace fs = std::filesystem;

namespace {

tarvos::FileShape inspected(char type = 'A', std::size_t length = 22824) {
    tarvos::FileShape s;
    s.record_type = type;
    s.record_length = length;
    s.line_end = "\r\n";
    return s;
}

TEST(RunPlan, NamesEveryFileAndItsTemporaryNameFromTheRun) {
    tarvos::RunOptions o;
    o.input = "data/in.dat";
    o.output = "out/new.dat";
    o.stage_options = tarvos::kStageSs2000;
    const tarvos::PlanResult r = tarvos::plan_run(o, inspected('I', 3339), "321-ab");
    ASSERT_EQ(r.refusal, "");
    const tarvos::RunPlan& p = r.plan;
    EXPECT_EQ(p.private_folders, (std::vector<std::string>{"data/.tarvos-321-ab", "out/.tarvos-321-ab"}));
    EXPECT_EQ(p.output_part, "out/.tarvos-321-ab/new.dat");
    EXPECT_EQ(p.results_path, "data/.tarvos-321-ab/in.part");
    EXPECT_EQ(p.beside.run_log, "data/in.log");
    EXPECT_EQ(p.beside_part.database, "data/.tarvos-321-ab/in.db");
    EXPECT_EQ(p.journal, "data/.in.tarvos-journal");
    EXPECT_EQ(p.record_length, 3339u);
    EXPECT_EQ(p.record_type, 'I');
    EXPECT_FALSE(p.stated_records) << "a person states no record count";
    EXPECT_EQ(p.stage_options, tarvos::kStageSs2000);
    ASSERT_EQ(p.beside_pairs().size(), 6u);
    EXPECT_EQ(p.beside_pairs()[4], (std::pair<std::string, std::string>{"data/.tarvos-321-ab/in.log", "data/in.log"}));
    EXPECT_TRUE(p.summary_page);
    EXPECT_EQ(p.beside_pairs().back(),
              (std::pair<std::string, std::string>{"data/.tarvos-321-ab/in.html", "data/in.html"}));
    o.summary = false;  // --no-summary: none written, an earlier one still taken away with the rest
    const tarvos::RunPlan without = tarvos::plan_run(o, inspected(), "321-ab").plan;
    EXPECT_FALSE(without.summary_page);
    EXPECT_EQ(without.beside_pairs().size(), 6u);
}

TEST(RunPlan, TheDialogsStatedValuesMustBeTheFilesOwn) {
    tarvos::RunOptions o;
    o.form = tarvos::Form::front_end;
    o.input = "in.dat";
    o.output = "out.dat";
    o.record_type = 'A';
    o.line_end_code = 3;
    o.record_length = 22824;
    o.record_count = 10;
    const tarvos::PlanResult stated = tarvos::plan_run(o, inspected(), "1");
    EXPECT_EQ(stated.refusal, "");
    // The record count is known once the records are read.
    EXPECT_EQ(tarvos::stated_count_refusal(stated.plan, 10), "");
    EXPECT_NE(tarvos::stated_count_refusal(stated.plan, 9).find("record count 10 (the file has 9); choose it again"),
              std::string::npos);
    o.line_end_code = 1;
    o.record_length = 3339;
    const std::string refusal = tarvos::plan_run(o, inspected(), "1").refusal;
    EXPECT_NE(refusal.find("line-end code 1 (the file has 3), record length 3339 (the file has 22824)"),
              std::string::npos)
        << refusal;
    o.form = tarvos::Form::person;  // a person's form states nothing
    EXPECT_EQ(tarvos::plan_run(o, inspected(), "1").refusal, "");
}

class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tarvos-placement-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string at(const std::string& name) const { return (dir_ / name).string(); }
    void write(const std::string& name, const std::string& text) const { std::ofstream(dir_ / name) << text; }
    std::string read(const std::string& name) const {
        std::ifstream in(dir_ / name);
        std::string text;
        std::getline(in, text);
        return text;
    }
    tarvos::RunPlan plan(const std::string& input = "in.dat", bool page = true) const {
        tarvos::RunOptions o;
        o.input = at(input);
        o.output = at("out.dat");
        o.summary = page;
        tarvos::RunPlan p = tarvos::plan_run(o, inspected(), "77").plan;
        fs::create_directories(p.private_folders.front());
        return p;
    }
    // A new file of the run, in its private folder.
    void stage(const std::string& name, const std::string& text) const { write(".tarvos-77/" + name, text); }
    fs::path dir_;
};

TEST_F(Placement, TheRunsFilesReplaceAnEarlierRunsAndNoneOfItsResultsStays) {
    write("in.dat", "input");
    for (const char* name : {"out.dat", "in.db", "in.mes", "in.rev", "in.cnv", "in.log", "in.html"})
        write(name, "earlier");
    const tarvos::RunPlan p = plan("in.dat", false);  // no page this time
    stage("out.dat", "new output");
    for (const char* name : {"in.db", "in.mes", "in.rev", "in.cnv", "in.log"}) stage(name, "new");
    const tarvos::PlacementOutcome placed = tarvos::put_in_place(tarvos::placement_set(p), true);
    EXPECT_EQ(placed.failure, "");
    EXPECT_TRUE(placed.placed);
    EXPECT_EQ(read("out.dat"), "new output");
    for (const char* name : {"in.db", "in.mes", "in.rev", "in.cnv", "in.log"}) EXPECT_EQ(read(name), "new") << name;
    for (const char* gone : {"in.html", ".tarvos-77", ".in.tarvos-journal"}) EXPECT_FALSE(fs::exists(dir_ / gone)) << gone;
    EXPECT_EQ(read("in.dat"), "input");
}

// A result the run should have written and did not (a database created under
// another name, say) is never reported as written: the set is not put in
// place, and the earlier one stays whole.
TEST_F(Placement, ASetLackingAResultIsNotPutInPlace) {
    for (const char* name : {"out.dat", "in.db", "in.mes"}) write(name, "earlier");
    const tarvos::RunPlan p = plan();
    for (const char* name : {"out.dat", "in.mes", "in.rev", "in.cnv", "in.log", "in.html"}) stage(name, "new");
    const tarvos::PlacementOutcome placed = tarvos::put_in_place(tarvos::placement_set(p), true);
    EXPECT_FALSE(placed.placed);
    EXPECT_NE(placed.failure.find(at("in.db") + "\" was not written"), std::string::npos) << placed.failure;
    for (const char* name : {"out.dat", "in.db", "in.mes"}) EXPECT_EQ(read(name), "earlier") << name;
    EXPECT_FALSE(fs::exists(dir_ / "in.rev"));
    EXPECT_FALSE(fs::exists(dir_ / ".in.tarvos-journal"));
}

TEST_F(Placement, AnInputNamedLikeAResultIsNeverReplacedOrRemoved) {
    write("in.log", "the input");
    write("in.html", "an earlier page");
    const tarvos::RunPlan p = plan("in.log", false);
    EXPECT_FALSE(p.run_log);
    stage("out.dat", "new output");
    for (const char* name : {"in.db", "in.mes", "in.rev", "in.cnv"}) stage(name, "new");
    EXPECT_EQ(tarvos::put_in_place(tarvos::placement_set(p), true).failure, "");
    EXPECT_EQ(read("in.log"), "the input");
    EXPECT_EQ(read("out.dat"), "new output");
    EXPECT_FALSE(fs::exists(dir_ / "in.html")) << "an earlier run's page goes with the rest";

    write("in.html", "the input");
    const tarvos::RunPlan q = plan("in.html");
    EXPECT_FALSE(q.summary_page);
    for (const char* name : {"out.dat", "in.db", "in.mes", "in.rev", "in.cnv", "in.log"}) stage(name, "new");
    EXPECT_EQ(tarvos::put_in_place(tarvos::placement_set(q), true).failure, "");
    EXPECT_EQ(read("in.html"), "the input");
}

TEST_F(Placement, AStoppedRunTakesBackEveryTemporaryFileAndNothingElse) {
    write("out.dat", "earlier");
    write("in.db", "earlier");
    const tarvos::RunPlan p = plan();
    for (const char* part : {"out.dat", "in.db", "in.mes", "in.log", "in.html"}) stage(part, "partial");
    tarvos::remove_temporary_files(p);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
    EXPECT_EQ(read("out.dat"), "earlier");
    EXPECT_EQ(read("in.db"), "earlier");
}

// A journal beside the input is trusted only when every file it would move
// lies in a private folder it names: a planted one moves nothing.
TEST_F(Placement, AJournalThatMovesFilesFromElsewhereIsRefusedAndMovesNothing) {
    write("in.db", "earlier");
    write("elsewhere", "someone's file");
    write(".in.tarvos-journal", "tarvos placement journal 1\nfolder " + at(".tarvos-9") + "\nentry " + at("elsewhere") +
                                    " " + at("in.db") + " " + at(".tarvos-9/earlier/in.db") + "\nend\n");
    const tarvos::Recovery r = tarvos::complete_interrupted_placement(at(".in.tarvos-journal"));
    EXPECT_TRUE(r.found);
    EXPECT_NE(r.failure.find("was not written whole by a run of this program"), std::string::npos) << r.failure;
    EXPECT_EQ(read("in.db"), "earlier");
    EXPECT_EQ(read("elsewhere"), "someone's file");
}

}  // namespace
