// SPDX-License-Identifier: Apache-2.0
// The runner's command line: both forms, each option, and every kind of
// wrong argument.
#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch_run.h"

namespace {

using tarvos::Action;
using tarvos::Form;

tarvos::ParsedArguments parse(std::vector<std::string_view> args) { return tarvos::parse_arguments(args); }

TEST(PersonForm, DefaultsDeriveAllThreeFamilies) {
    const auto p = parse({"in.dat", "out.dat"});
    ASSERT_EQ(p.action, Action::run) << p.error;
    EXPECT_EQ(p.options.form, Form::person);
    EXPECT_EQ(p.options.input, "in.dat");
    EXPECT_EQ(p.options.output, "out.dat");
    EXPECT_TRUE(p.options.derive);
    EXPECT_EQ(p.options.stage_options, 7);
    EXPECT_FALSE(p.options.quiet);
}

TEST(PersonForm, StageListsNoStageAndQuiet) {
    struct Case {
        std::vector<std::string_view> args;
        bool derive;
        int stage;
    };
    const Case cases[] = {
        {{"--stage", "ajcc", "a", "b"}, true, 4},
        {{"--stage=ss1977,ss2000", "a", "b"}, true, 3},
        {{"a", "--stage", "ss2000,ajcc", "b"}, true, 6},
        {{"--stage", "all", "a", "b"}, true, 7},
        {{"--no-stage", "a", "b"}, false, 7},
    };
    for (const Case& c : cases) {
        const auto p = parse(c.args);
        ASSERT_EQ(p.action, Action::run) << p.error;
        EXPECT_EQ(p.options.derive, c.derive) << c.args[0];
        EXPECT_EQ(p.options.stage_options, c.stage) << c.args[0];
    }
    EXPECT_TRUE(parse({"--quiet", "a", "b"}).options.quiet);
    EXPECT_TRUE(parse({"a", "b", "-q"}).options.quiet);
    EXPECT_TRUE(parse({"a", "b"}).options.sync);
    EXPECT_FALSE(parse({"--no-sync", "a", "b"}).options.sync);
    EXPECT_TRUE(parse({"a", "b"}).options.summary);
    EXPECT_FALSE(parse({"a", "--no-summary", "b"}).options.summary);
    EXPECT_NE(tarvos::usage_text().find("--no-summary"), std::string::npos);
}

TEST(PersonForm, DoubleDashLetsNamesStartWithADash) {
    const auto p = parse({"--quiet", "--", "--in", "-out"});
    ASSERT_EQ(p.action, Action::run) << p.error;
    EXPECT_EQ(p.options.input, "--in");
    EXPECT_EQ(p.options.output, "-out");
}

TEST(PersonForm, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(parse({"--help"}).action, Action::help);
    EXPECT_EQ(parse({"a", "-h", "--bogus"}).action, Action::help);
    EXPECT_EQ(parse({"--version"}).action, Action::version);
}

TEST(PersonForm, WrongArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string_view>> wrong = {
        {},
        {"in.dat"},
        {"a", "b", "c"},
        {"--bogus", "a", "b"},
        {"--stage", "a", "b"},  // "a" is no stage family, and then one name is missing
        {"--stage", "ajcc,", "a", "b"},
        {"--stage", "AJCC", "a", "b"},
        {"--stage=", "a", "b"},
        {"a", "b", "--stage"},
        {"--stage", "ajcc", "--no-stage", "a", "b"},
        {"", "b"},
        // Eight values with an option are neither form.
        {"--quiet", "in", "out", "A", "3", "22824", "7", "true", "10"},
    };
    for (const auto& args : wrong) {
        const auto p = parse(args);
        EXPECT_EQ(p.action, Action::usage_error) << (args.empty() ? "(none)" : std::string(args[0]));
        EXPECT_FALSE(p.error.empty());
    }
}

TEST(FrontEndForm, TakesTheEightValuesAndStripsQuotes) {
    const auto p = parse({"\"C:\\data\\in.txt\"", "\"C:\\data\\out.txt\"", "A", "3", "22824", "5", "true", "123456"});
    ASSERT_EQ(p.action, Action::run) << p.error;
    const tarvos::RunOptions& o = p.options;
    EXPECT_EQ(o.form, Form::front_end);
    EXPECT_EQ(o.input, "C:\\data\\in.txt");
    EXPECT_EQ(o.output, "C:\\data\\out.txt");
    EXPECT_EQ(o.record_type, 'A');
    EXPECT_EQ(o.line_end_code, 3);
    EXPECT_EQ(o.record_length, 22824);
    EXPECT_EQ(o.stage_options, 5);
    EXPECT_TRUE(o.derive);
    EXPECT_EQ(o.record_count, 123456u);

    const auto q = parse({"in", "out", "A", "1", "22824", "0", "false", "0"});
    ASSERT_EQ(q.action, Action::run) << q.error;
    EXPECT_EQ(q.options.input, "in");
    EXPECT_FALSE(q.options.derive);
    EXPECT_EQ(q.options.stage_options, 0);
}

TEST(FrontEndForm, EachBadValueIsAUsageError) {
    const std::vector<std::string_view> good = {"in", "out", "A", "3", "22824", "7", "true", "10"};
    const std::vector<std::pair<std::size_t, std::string_view>> bad = {
        {2, "AB"}, {2, ""},      {3, "4"},    {3, "-1"}, {3, "x"},    {4, "0"},   {4, "-5"},
        {4, "22824x"}, {5, "8"}, {5, "-1"},   {6, "yes"}, {6, "TRUE"}, {7, "-1"}, {7, "1e3"},
        {7, ""},  {0, "\"\""}, {1, "\"\""}, {0, ""},  {1, ""},
    };
    for (const auto& [index, value] : bad) {
        std::vector<std::string_view> args = good;
        args[index] = value;
        const auto p = parse(args);
        EXPECT_EQ(p.action, Action::usage_error) << index << "=" << value;
    }
}

TEST(BatchForm, OutputDirTakesEveryNameAsAnInputWithTheSharedOptions) {
    const auto p = parse({"--no-stage", "--no-summary", "--output-dir", "out", "a.dat", "b.dat", "c.dat"});
    ASSERT_EQ(p.action, tarvos::Action::batch) << p.error;
    EXPECT_EQ(p.output_dir, "out");
    EXPECT_EQ(p.inputs, (std::vector<std::string>{"a.dat", "b.dat", "c.dat"}));
    EXPECT_FALSE(p.options.derive);
    EXPECT_FALSE(p.options.summary);
    EXPECT_EQ(parse({"--output-dir=out", "a.dat"}).output_dir, "out");
    EXPECT_EQ(parse({"--output-dir", "out"}).action, tarvos::Action::usage_error);
    EXPECT_EQ(parse({"a.dat", "--output-dir"}).action, tarvos::Action::usage_error);
    EXPECT_EQ(parse({"--output-dir=", "a.dat"}).action, tarvos::Action::usage_error);
}

TEST(BatchForm, EachInputGoesIntoTheFolderUnderItsOwnNameAndNamesDoNotCollide) {
    tarvos::RunOptions shared;
    shared.stage_options = tarvos::kStageAjcc;
    const tarvos::BatchPlan plan =
        tarvos::plan_batch(shared, "out/", {"in/a.dat", "C:\\data\\b.dat", "other/a.dat", "c.dat"});
    ASSERT_EQ(plan.runs.size(), 3u);
    EXPECT_EQ(plan.runs[0].output, "out/a.dat");
    EXPECT_EQ(plan.runs[1].output, "out/b.dat");
    EXPECT_EQ(plan.runs[2].input, "c.dat");
    EXPECT_EQ(plan.runs[2].stage_options, tarvos::kStageAjcc);
    ASSERT_EQ(plan.refused.size(), 1u);
    EXPECT_NE(plan.refused[0].find("other/a.dat"), std::string::npos);
    EXPECT_EQ(tarvos::plan_batch(shared, "out", {"x.dat"}).runs[0].output, "out/x.dat");
}

}  // namespace
