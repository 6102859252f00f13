// SPDX-License-Identifier: Apache-2.0
// The dialog's building blocks: reading the libraries' blocks, path rules,
// the runner's arguments and the HTML Help binding.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "fake_ports.h"
#include "help_binding.h"
#include "info_blocks.h"
#include "launch.h"
#include "paths.h"

namespace quillmar::testing {
namespace {

using Record = std::array<char, MORVELIO_FILE_INFO_SIZE>;

Record filled_record(char end1, char end2) {
    Record record{};
    record[MORVELIO_FI_RECORD_TYPE] = 'A';
    std::memcpy(&record[MORVELIO_FI_VERSION], "140", 3);
    record[MORVELIO_FI_LINE_END_1] = end1;
    record[MORVELIO_FI_LINE_END_2] = end2;
    const std::uint32_t length = 22824, count = 1000000;
    std::memcpy(&record[MORVELIO_FI_RECORD_LENGTH], &length, 4);
    std::memcpy(&record[MORVELIO_FI_RECORD_COUNT], &count, 4);
    return record;
}

TEST(FileInfoRecord, ReadsTheValuesAndTheLineEndCode) {
    const FileInfoResult crlf = read_file_info(filled_record('\r', '\n'), 0);
    EXPECT_FALSE(crlf.failed());
    EXPECT_EQ(crlf.info.record_type, "A");
    EXPECT_EQ(crlf.info.version, "140");
    EXPECT_EQ(crlf.info.line_end_code, 3);
    EXPECT_EQ(crlf.info.record_length, 22824u);
    EXPECT_EQ(crlf.info.record_count, 1000000u);
    EXPECT_EQ(read_file_info(filled_record('\n', '\0'), -1).info.line_end_code, 1);
    EXPECT_EQ(read_file_info(filled_record('\r', '\0'), 0).info.line_end_code, 2);
    EXPECT_EQ(read_file_info(filled_record('\n', '\r'), 0).info.line_end_code, 3);
    EXPECT_EQ(read_file_info(filled_record('\0', '\0'), 0).info.line_end_code, 0);
}

TEST(FileInfoRecord, FailureTakesOnlyTheErrorText) {
    Record record = filled_record('\r', '\n');
    std::strcpy(&record[MORVELIO_FI_ERROR_TEXT], "File is empty.");
    const FileInfoResult result = read_file_info(record, 2);
    EXPECT_TRUE(result.failed());
    EXPECT_EQ(result.error_text, "File is empty.");
    EXPECT_EQ(result.info.version, "");
    EXPECT_EQ(result.info.record_count, 0u);

    // A failure without a text still says something, and an error text that
    // fills its slot is read no further than the record's end.
    EXPECT_NE(read_file_info(Record{}, 5).error_text.find("error 5"), std::string::npos);
    Record full{};
    std::memset(&full[MORVELIO_FI_ERROR_TEXT], 'x', MORVELIO_FI_ERROR_TEXT_SIZE);
    EXPECT_EQ(read_file_info(full, 1).error_text.size(), std::size_t{MORVELIO_FI_ERROR_TEXT_SIZE});
}

std::string seen_path;
bool record_was_zeroed = false;
int MORVELIO_CALL fake_file_info(char* record) {
    seen_path = record;
    record_was_zeroed = std::all_of(record + seen_path.size(), record + MORVELIO_FILE_INFO_SIZE,
                                    [](char c) { return c == '\0'; });
    record[MORVELIO_FI_RECORD_TYPE] = 'I';
    std::memcpy(record + MORVELIO_FI_VERSION, "1400", 4);   // a version filling its four characters
    return 0;
}

TEST(FileInfoRecord, CallGetsAZeroFilledRecordWithThePath) {
    const FileInfoResult result = describe_with(&fake_file_info, "C:\\data\\in.txt");
    EXPECT_EQ(seen_path, "C:\\data\\in.txt");
    EXPECT_TRUE(record_was_zeroed);
    EXPECT_EQ(result.info.record_type, "I");
    EXPECT_EQ(result.info.version, "1400");
}

TEST(InformationBlocks, VersionsFromBothBlocks) {
    std::array<char, VEXLIN150_INFO_SIZE> conversion{};
    std::array<char, MORVELIO_INFO_SIZE> file_info{};
    std::strcpy(&conversion[0], "1.0.6");
    std::strcpy(&conversion[16], "Mar 16 2015");
    std::strcpy(&conversion[32], "15:52:28");
    std::memset(&conversion[112], '9', 16);   // a full slot, not terminated
    std::strcpy(&conversion[128], "stamp");
    std::strcpy(&file_info[0], "2.0");
    std::strcpy(&file_info[16], "Jan 5 2015");
    std::strcpy(&file_info[48], "Maker\nmail");
    const LibraryVersions v = read_versions(conversion, file_info);
    EXPECT_EQ(v.conversion_version, "1.0.6");
    EXPECT_EQ(v.conversion_date, "Mar 16 2015");
    EXPECT_EQ(v.stage_version, std::string(16, '9'));
    EXPECT_EQ(v.stage_timestamp, "stamp");
    EXPECT_EQ(v.file_info_version, "2.0");
    EXPECT_EQ(v.file_info_date, "Jan 5 2015");
    EXPECT_EQ(v.file_info_maker, "Maker\nmail");

    const std::string about = about_text(v);
    EXPECT_EQ(about.substr(0, about.find("    vexlin150")), "Halden Suite Quillmar150\nVersion 1.0.1, Mar 16 2015, using:\n");
    // A full slot may hold a cut text: it is marked.
    EXPECT_NE(about.find("\nMaker\nmail\n\nAlso using:\n    cstage0205.dll 9999999999999999..., stamp\n"
                         "Collaborative Stage 02.05, staged from the published tables of the\n"
                         "Collaborative Stage Data Collection System\n"),
              std::string::npos)
        << about;
}

TEST(PathRules, TrimmingCaseAndBasePath) {
    EXPECT_EQ(trim_leading_blanks("  \t a b "), "a b ");
    EXPECT_EQ(trim_leading_blanks("   "), "");
    EXPECT_TRUE(equal_ignoring_case("C:\\Data\\IN.txt", "c:\\data\\in.TXT"));
    EXPECT_FALSE(equal_ignoring_case("C:\\data\\in.txt", "C:\\data\\in.txt2"));
    EXPECT_EQ(base_path_of("C:\\data\\in.txt"), "C:\\data\\in");
    EXPECT_EQ(base_path_of("C:\\data.2015\\in"), "C:\\data.2015\\in");
    EXPECT_EQ(base_path_of("C:\\data\\in.v14.txt"), "C:\\data\\in.v14");
}

TEST(PathRules, HelpFileBesideTheProgram) {
    EXPECT_EQ(help_file_path("C:\\Program Files\\Halden\\quillmar150.exe"), "C:\\Program Files\\Halden\\quillmar150.chm");
    EXPECT_EQ(help_file_path("quillmar150.exe"), "\\quillmar150.chm");
    EXPECT_EQ(first_command_word("\"C:\\Program Files\\q.exe\" -x"), "C:\\Program Files\\q.exe");
    EXPECT_EQ(first_command_word("C:\\apps\\q.exe -x"), "C:\\apps\\q.exe");
    EXPECT_EQ(first_command_word(""), "");
}

TEST(RunnerLaunch, ArgumentsInOrder) {
    const Launch launch{.runner = "C:\\work dir\\tarvos.exe", .input_path = "C:\\in file.txt",
                        .output_path = "C:\\out.txt",
                        .info = {.record_type = "A", .version = "140", .line_end_code = 1,
                                 .record_length = 22824, .record_count = 4000000000u},
                        .stages = {.derive = true, .ajcc = true, .ss1977 = true, .ss2000 = false}};
    const std::vector<std::string> expected = {"\"C:\\work dir\\tarvos.exe\"", "\"C:\\in file.txt\"", "\"C:\\out.txt\"",
                                               "A", "1", "22824", "5", "true", "4000000000"};
    EXPECT_EQ(runner_arguments(launch), expected);
    EXPECT_EQ(runner_path("C:\\registry"), "C:\\registry\\tarvos.exe");
    EXPECT_EQ(join_command_line({"a", "\"b c\"", "d"}), "a \"b c\" d");
    EXPECT_EQ(stage_options({.ss2000 = true}), 2);
}

TEST(HelpBindingRules, LoadsFromTheRegistryOrByNameAndGivesUpOnce) {
    FakeHelp registered;
    registered.registered = "C:\\Windows\\System32\\hhctrl.ocx";
    registered.loadable = {registered.registered};
    HelpBinding first;
    open_help(first, registered, "a.chm");
    open_help(first, registered, "a.chm");
    EXPECT_EQ(registered.load_calls, std::vector<std::string>{registered.registered});
    EXPECT_EQ(registered.bind_calls, 1);
    EXPECT_EQ(registered.displayed.size(), 2u);

    FakeHelp unregistered;   // no registry entry: loaded by name
    unregistered.loadable = {"hhctrl.ocx"};
    HelpBinding second;
    open_help(second, unregistered, "a.chm");
    EXPECT_EQ(unregistered.load_calls, std::vector<std::string>{"hhctrl.ocx"});
    EXPECT_EQ(unregistered.displayed.size(), 1u);

    FakeHelp missing;        // neither loads: later clicks do not try again
    missing.registered = "C:\\gone\\hhctrl.ocx";
    HelpBinding third;
    open_help(third, missing, "a.chm");
    open_help(third, missing, "a.chm");
    EXPECT_TRUE(third.failed);
    EXPECT_EQ(missing.load_calls.size(), 2u);
    EXPECT_TRUE(missing.displayed.empty());

    FakeHelp no_entry;       // loads, but without the display entry
    no_entry.loadable = {"hhctrl.ocx"};
    no_entry.has_display_entry = false;
    HelpBinding fourth;
    open_help(fourth, no_entry, "a.chm");
    open_help(fourth, no_entry, "a.chm");
    EXPECT_EQ(no_entry.bind_calls, 1);
    EXPECT_TRUE(no_entry.displayed.empty());
}

}  // namespace
}  // namespace quillmar::testing
