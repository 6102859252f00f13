// SPDX-License-Identifier: Apache-2.0
// The main dialog's behaviour as a user meets it: choosing files, the checks
// and messages, when Convert may be pressed, and what it starts.
#include <gtest/gtest.h>

#include "dialog_controller.h"
#include "fake_ports.h"
#include "resource.h"

namespace quillmar::testing {
namespace {

constexpr const char* input_file = "C:\\data\\abstracts.txt";
constexpr const char* output_file = "C:\\data\\converted.txt";

LibraryVersions sample_versions() {
    return LibraryVersions{.conversion_version = "1.0.6", .conversion_date = "Mar 16 2015",
                           .stage_version = "020550", .stage_timestamp = "2014-09-01 10:00",
                           .file_info_version = "2.1.0", .file_info_date = "Feb 02 2015",
                           .file_info_maker = "Halden Registry Software\nsupport@halden.example"};
}

class DialogTest : public ::testing::Test {
protected:
    DialogTest() : controller({view, files, help}, sample_versions(), "C:\\registry", "C:\\Apps\\quillmar150.exe") {
        view.controller = &controller;
        files.add_file(input_file, naaccr_file("140", 12));
        controller.open();
    }

    // The input typed, or chosen through the Open dialog, and its check let
    // finish.
    void enter_input(const std::string& text) {
        view.type(IDC_INPUT_PATH, text);
        controller.input_focus_lost();
        finish_checks();
    }
    void select_input(const std::optional<std::string>& chosen) {
        controller.input_selected(chosen);
        finish_checks();
    }
    void finish_checks() { files.finish_checks(controller); }
    void enter_output(const std::string& text) {
        view.type(IDC_OUTPUT_PATH, text);
        controller.output_focus_lost();
    }
    bool convert_enabled() const { return view.enabled(IDC_CONVERT); }
    std::string last_message() const { return view.messages.empty() ? "" : view.messages.back().text; }
    std::string last_caption() const { return view.messages.empty() ? "" : view.messages.back().caption; }

    FakeView view;
    FakeFiles files;
    FakeHelp help;
    DialogController controller;
};

TEST_F(DialogTest, OpensEmptyWithTitleAndAllStageBoxesChecked) {
    EXPECT_EQ(view.title, "QUILLMAR150 (1.0.1) using vexlin150.dll (1.0.6)");
    EXPECT_FALSE(convert_enabled());
    for (int box : {IDC_DERIVE_CS, IDC_AJCC_STAGE, IDC_SS1977, IDC_SS2000}) {
        EXPECT_TRUE(view.is_checked(box)) << box;
        EXPECT_TRUE(view.enabled(box)) << box;
    }
    EXPECT_EQ(view.text(IDC_INPUT_PATH), "");
    EXPECT_FALSE(controller.state().input_valid || controller.state().output_chosen || controller.state().names_valid);
}

TEST_F(DialogTest, InputWithLeadingBlanksIsShownAndUsedTrimmed) {
    enter_input("   \tC:\\data\\abstracts.txt");
    EXPECT_EQ(view.text(IDC_INPUT_PATH), input_file);
    ASSERT_EQ(files.described.size(), 1u);
    EXPECT_EQ(files.described[0], input_file);
    EXPECT_TRUE(controller.state().input_valid);
    EXPECT_EQ(view.text(IDC_VERSION), "140");
    EXPECT_EQ(view.text(IDC_RECORD_TYPE), "A");
    EXPECT_EQ(view.text(IDC_RECORD_SIZE), "22824");
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "12");
    EXPECT_TRUE(view.messages.empty());

    // Leaving the field again without a change does not read the file again.
    controller.input_focus_lost();
    EXPECT_EQ(files.described.size(), 1u);
}

TEST_F(DialogTest, MissingInputOrFolderIsAnError) {
    files.add_directory("C:\\data\\folder");
    for (const char* path : {"C:\\data\\missing.txt", "C:\\data\\folder"}) {
        enter_input(path);
        EXPECT_EQ(last_message(), "Input file does not exist.");
        EXPECT_EQ(last_caption(), "Error");
        EXPECT_FALSE(controller.state().input_valid);
    }
    EXPECT_TRUE(files.described.empty());
    EXPECT_FALSE(convert_enabled());
}

TEST_F(DialogTest, Version150InputIsRefusedQuotingItsVersion) {
    files.add_file("C:\\data\\new.txt", naaccr_file("150"));
    enter_input("C:\\data\\new.txt");
    EXPECT_EQ(last_message(), "The file appears to be version \"150\" but this program\nconverts only version \"140\".");
    EXPECT_EQ(last_caption(), "Can't Convert");
    EXPECT_FALSE(controller.state().input_valid);
    EXPECT_EQ(controller.state().input_path, "");
    for (int field : {IDC_INPUT_PATH, IDC_VERSION, IDC_RECORD_TYPE, IDC_RECORD_SIZE, IDC_RECORD_COUNT})
        EXPECT_EQ(view.text(field), "") << field;
}

TEST_F(DialogTest, LibraryFailureShowsItsErrorTextAndNoStaleValues) {
    enter_input(input_file);   // a good file first: its values are on screen
    files.add_file("C:\\data\\short.txt", unreadable_file("Record 3 is 120 characters long; expected 22824."));
    enter_input("C:\\data\\short.txt");
    EXPECT_EQ(last_message(), "Record 3 is 120 characters long; expected 22824.");
    EXPECT_EQ(last_caption(), "Can't Convert");
    EXPECT_EQ(view.focus, IDC_INPUT_SELECT);
    EXPECT_FALSE(controller.state().input_valid);
    for (int field : {IDC_INPUT_PATH, IDC_VERSION, IDC_RECORD_TYPE, IDC_RECORD_SIZE, IDC_RECORD_COUNT})
        EXPECT_EQ(view.text(field), "") << field;

    // Chosen through the Open dialog, the focus stays where it is.
    view.focus = 0;
    select_input("C:\\data\\short.txt");
    EXPECT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.focus, 0);
}

TEST_F(DialogTest, CancelledOpenDialogClearsTheInput) {
    select_input(std::string(input_file));
    EXPECT_TRUE(controller.state().input_valid);
    EXPECT_EQ(view.text(IDC_INPUT_PATH), input_file);
    select_input(std::nullopt);
    EXPECT_FALSE(controller.state().input_valid);
    EXPECT_EQ(view.text(IDC_INPUT_PATH), "");
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "");
}

TEST_F(DialogTest, OutputNamingTheInputIsRefusedWithNotice) {
    files.add_link(input_file, "D:\\share\\abstracts.dat");
    const char* same_input[] = {
        "c:\\DATA\\Abstracts.TXT",                 // letter case only
        "C:\\data\\..\\data\\.\\abstracts.txt",    // relative parts
        "..\\data\\abstracts.txt",                 // relative to the current directory C:\registry
        "D:\\share\\abstracts.dat",                // another name of the same file
    };
    enter_input(input_file);
    for (const char* output : same_input) {
        enter_output(output);
        EXPECT_EQ(last_message(), "The output file cannot have the same name as the input file.") << output;
        EXPECT_EQ(last_caption(), "Notice");
        EXPECT_EQ(view.text(IDC_OUTPUT_PATH), "") << output;
        EXPECT_FALSE(convert_enabled()) << output;
    }
    EXPECT_EQ(view.messages.size(), std::size(same_input));
}

TEST_F(DialogTest, OutputNamingADatabaseOrReportOfTheConversionIsRefused) {
    enter_input(input_file);
    for (const char* output : {"C:\\data\\abstracts.db", "C:\\data\\ABSTRACTS.mes", "C:\\data\\abstracts.rev",
                               "C:\\data\\abstracts.cnv"}) {
        enter_output(output);
        EXPECT_EQ(last_caption(), "Notice") << output;
        EXPECT_NE(last_message().find("results database and reports"), std::string::npos) << output;
        EXPECT_FALSE(convert_enabled()) << output;
    }
    const std::size_t refusals = view.messages.size();
    enter_output("C:\\data\\abstracts.txt.db");   // not a name the conversion writes
    EXPECT_EQ(view.messages.size(), refusals);
    EXPECT_TRUE(convert_enabled());
}

TEST_F(DialogTest, ConvertIsEnabledExactlyWhenAllThreeFlagsHold) {
    enter_output(output_file);
    EXPECT_FALSE(convert_enabled());   // no input yet
    enter_input(input_file);
    EXPECT_TRUE(convert_enabled());

    // Enter presses Convert without leaving the field: the name is checked
    // all the same, and the Notice clears the output.
    view.type(IDC_OUTPUT_PATH, "C:\\data\\abstracts.txt");
    controller.convert();
    EXPECT_EQ(last_caption(), "Notice");
    EXPECT_TRUE(view.started.empty());
    EXPECT_FALSE(convert_enabled());

    controller.output_selected(std::string(output_file));
    EXPECT_TRUE(convert_enabled());
    controller.output_selected(std::nullopt);                // cancelled Save
    EXPECT_FALSE(convert_enabled());
    EXPECT_EQ(view.text(IDC_OUTPUT_PATH), "");
    EXPECT_FALSE(controller.state().output_chosen);

    enter_output(output_file);
    EXPECT_TRUE(convert_enabled());
    enter_output("   ");                                     // emptied output
    EXPECT_FALSE(convert_enabled());
    controller.convert();
    EXPECT_TRUE(view.started.empty());
}

TEST_F(DialogTest, EditedInputNeedsCheckingAgainBeforeConvert) {
    enter_input(input_file);
    enter_output(output_file);
    ASSERT_TRUE(convert_enabled());
    enter_input("C:\\data\\missing.txt");
    EXPECT_EQ(last_message(), "Input file does not exist.");
    enter_output("C:\\data\\other.txt");   // the output's checks cannot bring back the old input's values
    EXPECT_FALSE(convert_enabled());
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "");
    controller.convert();
    EXPECT_TRUE(view.started.empty());
}

// A large input is read away from the window's thread: until its result
// arrives the fields say how far it has come and Convert stays off.
TEST_F(DialogTest, CheckInFlightShowsTheReadingAndKeepsConvertOff) {
    enter_output(output_file);
    view.type(IDC_INPUT_PATH, input_file);
    controller.input_focus_lost();
    ASSERT_EQ(files.checks.size(), 1u);
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "Reading...");
    controller.check_progress(files.checks[0].id, 45);
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "Reading... 45%");
    EXPECT_EQ(view.positions[IDC_PROGRESS], 45);
    for (int field : {IDC_VERSION, IDC_RECORD_TYPE, IDC_RECORD_SIZE}) EXPECT_EQ(view.text(field), "") << field;
    EXPECT_FALSE(convert_enabled());
    controller.convert();
    EXPECT_TRUE(view.started.empty());

    controller.input_focus_lost();   // the focus passes through the field: not read a second time
    EXPECT_EQ(files.described.size(), 1u);
    finish_checks();
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "12");
    EXPECT_EQ(view.positions[IDC_PROGRESS], 0);
    EXPECT_TRUE(convert_enabled());
}

// The output names the refused input: as when the file was read at once,
// only the refusal is said, and nothing before the file has been read.
TEST_F(DialogTest, TheNamesAreCheckedWhenTheResultArrives) {
    files.add_file("C:\\data\\new.txt", naaccr_file("150"));
    enter_output("C:\\data\\new.txt");
    view.type(IDC_INPUT_PATH, "C:\\data\\new.txt");
    controller.input_focus_lost();
    EXPECT_TRUE(view.messages.empty());
    finish_checks();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(last_caption(), "Can't Convert");
}

// Another file picked while one is read: the first is stopped, and what it
// still sends, before or after the second's result, changes nothing.
TEST_F(DialogTest, ALaterChoiceStopsTheCheckInFlightAndOnlyItsResultIsShown) {
    const char* large = "C:\\data\\large.txt";
    files.add_file(large, unreadable_file("The reading of the file was stopped."));
    view.type(IDC_INPUT_PATH, large);
    controller.input_focus_lost();
    const CheckId first = files.checks.at(0).id;
    controller.check_progress(first, 30);
    controller.input_selected(std::string(input_file));
    ASSERT_EQ(files.checks.size(), 2u);
    EXPECT_TRUE(files.checks[0].stop_asked);
    EXPECT_FALSE(files.checks[1].stop_asked);
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "Reading...");

    controller.check_progress(first, 60);
    controller.check_finished(first, files.describe(large));
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "Reading...");
    EXPECT_TRUE(controller.checking());
    controller.check_finished(files.checks[1].id, files.describe(input_file));
    controller.check_finished(first, files.describe(large));
    controller.check_progress(first, 90);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.text(IDC_INPUT_PATH), input_file);
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "12");
    EXPECT_TRUE(controller.state().input_valid);
}

// An edit of the name, and Quit, stop the reading; the edited name never
// gets the old file's values.
TEST_F(DialogTest, EditingTheInputOrQuittingStopsTheCheck) {
    view.type(IDC_INPUT_PATH, input_file);
    controller.input_focus_lost();
    controller.check_progress(files.checks.at(0).id, 10);
    view.type(IDC_INPUT_PATH, "C:\\data\\abstracts.tx");
    EXPECT_TRUE(files.checks[0].stop_asked);
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "");
    EXPECT_EQ(view.positions[IDC_PROGRESS], 0);
    controller.check_finished(files.checks[0].id, files.describe(input_file));
    EXPECT_EQ(view.text(IDC_RECORD_COUNT), "");
    EXPECT_FALSE(controller.state().input_valid);

    view.type(IDC_INPUT_PATH, input_file);
    controller.input_focus_lost();
    ASSERT_EQ(files.checks.size(), 2u);
    controller.close();
    EXPECT_TRUE(files.checks[1].stop_asked);
    EXPECT_FALSE(controller.checking());
}

TEST_F(DialogTest, ConvertStartsTheRunnerWithNineArguments) {
    select_input(std::string(input_file));
    files.current_directory = "C:\\Users\\me\\Documents";   // the file dialogs moved the current directory
    controller.output_selected(std::string(output_file));
    controller.convert();
    ASSERT_EQ(view.started.size(), 1u);
    EXPECT_EQ(view.started[0].program, "C:\\registry\\tarvos.exe");
    EXPECT_EQ(view.started[0].command_line,
              "\"C:\\registry\\tarvos.exe\" \"C:\\data\\abstracts.txt\" \"C:\\data\\converted.txt\" A 3 22824 7 true 12");
    EXPECT_TRUE(view.messages.empty());

    view.click_box(IDC_SS1977);   // only SEER Summary Stage 2000 and AJCC: 2 + 4
    controller.convert();
    view.click_box(IDC_DERIVE_CS);
    controller.convert();
    ASSERT_EQ(view.started.size(), 3u);
    EXPECT_NE(view.started[1].command_line.find(" 22824 6 true 12"), std::string::npos);
    EXPECT_NE(view.started[2].command_line.find(" 22824 0 false 12"), std::string::npos);
}

TEST_F(DialogTest, RunnerThatCannotStartIsReportedWithItsPath) {
    enter_input(input_file);
    enter_output(output_file);
    view.start_fails = true;
    controller.convert();
    EXPECT_EQ(last_caption(), "Error");
    EXPECT_NE(last_message().find("C:\\registry\\tarvos.exe"), std::string::npos);
    EXPECT_NE(last_message().find("cannot find the file"), std::string::npos);
}

TEST_F(DialogTest, DeriveCsBoxGovernsTheStageBoxes) {
    view.click_box(IDC_DERIVE_CS);
    for (int box : {IDC_AJCC_STAGE, IDC_SS1977, IDC_SS2000}) {
        EXPECT_FALSE(view.is_checked(box)) << box;
        EXPECT_FALSE(view.enabled(box)) << box;
    }
    view.click_box(IDC_DERIVE_CS);
    for (int box : {IDC_AJCC_STAGE, IDC_SS1977, IDC_SS2000}) {
        EXPECT_FALSE(view.is_checked(box)) << box;
        EXPECT_TRUE(view.enabled(box)) << box;
    }
}

TEST_F(DialogTest, HelpOpensTheFileBesideTheProgramAndAboutListsTheLibraries) {
    EXPECT_EQ(controller.help_file(), "C:\\Apps\\quillmar150.chm");
    help.loadable = {"hhctrl.ocx"};
    controller.help();
    ASSERT_EQ(help.displayed.size(), 1u);
    EXPECT_EQ(help.displayed[0], "C:\\Apps\\quillmar150.chm");

    controller.about();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(last_caption(), "About This Program");
    EXPECT_EQ(view.messages[0].icon, MessageIcon::information);
    EXPECT_NE(last_message().find("    vexlin150.dll 1.0.6, Mar 16 2015\n"), std::string::npos);
    EXPECT_NE(last_message().find("    morvelio.dll 2.1.0, Feb 02 2015\n"), std::string::npos);
    EXPECT_NE(last_message().find("    cstage0205.dll 020550, 2014-09-01 10:00\n"), std::string::npos);
}

}  // namespace
}  // namespace quillmar::testing
