// SPDX-License-Identifier: Apache-2.0
// Where Convert finds the runner: the folder the dialog was started in, then
// the dialog's own folder; a runner in neither place is reported naming both.
#include <gtest/gtest.h>

#include <set>

#include "dialog_controller.h"
#include "fake_ports.h"
#include "launch.h"
#include "resource.h"

namespace quillmar::testing {
namespace {

TEST(RunnerLookup, StartFolderFirstThenTheProgramsFolderOnceEach) {
    EXPECT_EQ(runner_places("C:\\Users\\me", "C:\\Program Files\\Halden\\quillmar150.exe"),
              (std::vector<std::string>{"C:\\Users\\me\\tarvos.exe", "C:\\Program Files\\Halden\\tarvos.exe"}));
    // Started from its own folder, spelled in other letter case: one place.
    EXPECT_EQ(runner_places("C:\\APPS", "c:\\apps\\quillmar150.exe"), (std::vector<std::string>{"C:\\APPS\\tarvos.exe"}));
    // A program path without a folder adds nothing.
    EXPECT_EQ(runner_places("C:\\data", "quillmar150.exe"), (std::vector<std::string>{"C:\\data\\tarvos.exe"}));
}

TEST(RunnerLookup, TheFirstPlaceHoldingTheRunnerWins) {
    const std::vector<std::string> places{"C:\\start\\tarvos.exe", "C:\\apps\\tarvos.exe"};
    std::set<std::string> existing{"C:\\apps\\tarvos.exe"};
    const auto exists = [&](const std::string& path) { return existing.contains(path); };
    RunnerChoice choice = choose_runner(places, exists);
    EXPECT_TRUE(choice.found);
    EXPECT_EQ(choice.path, "C:\\apps\\tarvos.exe");
    existing.insert("C:\\start\\tarvos.exe");
    EXPECT_EQ(choose_runner(places, exists).path, "C:\\start\\tarvos.exe");
    existing.clear();
    choice = choose_runner(places, exists);
    EXPECT_FALSE(choice.found);
    EXPECT_EQ(choice.path, "C:\\start\\tarvos.exe");   // tried anyway, for the system's reason
    EXPECT_EQ(runner_failure_message(choice, "The system cannot find the file specified."),
              "The conversion program could not be started:\nC:\\start\\tarvos.exe\n"
              "The system cannot find the file specified.\n\n"
              "tarvos.exe was looked for in the start folder and beside this program:\n"
              "C:\\start\\tarvos.exe\nC:\\apps\\tarvos.exe");
    // A runner that was found but would not start: its path and the reason only.
    existing.insert("C:\\apps\\tarvos.exe");
    EXPECT_EQ(runner_failure_message(choose_runner(places, exists), "Access is denied."),
              "The conversion program could not be started:\nC:\\apps\\tarvos.exe\nAccess is denied.");
}

// The dialog started from a shortcut whose start folder is not the program's.
class ShortcutStartTest : public ::testing::Test {
protected:
    ShortcutStartTest()
        : controller({view, files, help}, LibraryVersions{}, "C:\\NAACCR data", "C:\\Apps\\Halden\\quillmar150.exe") {
        view.controller = &controller;
        files.add_file("C:\\NAACCR data\\abstracts.txt", naaccr_file("140", 5));
        controller.open();
        controller.input_selected(std::string("C:\\NAACCR data\\abstracts.txt"));
        files.finish_checks(controller);
        controller.output_selected(std::string("C:\\NAACCR data\\converted.txt"));
    }
    FakeView view;
    FakeFiles files;
    FakeHelp help;
    DialogController controller;
};

TEST_F(ShortcutStartTest, TheRunnerBesideTheProgramIsStartedWhenTheStartFolderHasNone) {
    files.add_file("C:\\Apps\\Halden\\tarvos.exe", FileInfoResult{});
    controller.convert();
    ASSERT_EQ(view.started.size(), 1u);
    EXPECT_EQ(view.started[0].program, "C:\\Apps\\Halden\\tarvos.exe");
    EXPECT_EQ(view.started[0].command_line.rfind("\"C:\\Apps\\Halden\\tarvos.exe\" \"C:\\NAACCR data\\abstracts.txt\"", 0), 0u)
        << view.started[0].command_line;
    EXPECT_TRUE(view.messages.empty());
    // A runner in the start folder still comes first.
    files.add_file("C:\\NAACCR data\\tarvos.exe", FileInfoResult{});
    controller.convert();
    ASSERT_EQ(view.started.size(), 2u);
    EXPECT_EQ(view.started[1].program, "C:\\NAACCR data\\tarvos.exe");
}

TEST_F(ShortcutStartTest, ARunnerInNeitherPlaceIsReportedNamingBoth) {
    view.start_fails = true;
    controller.convert();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "Error");
    EXPECT_NE(view.messages[0].text.find("C:\\NAACCR data\\tarvos.exe\n"), std::string::npos) << view.messages[0].text;
    EXPECT_NE(view.messages[0].text.find("C:\\Apps\\Halden\\tarvos.exe"), std::string::npos) << view.messages[0].text;
}

}  // namespace
}  // namespace quillmar::testing
