// SPDX-License-Identifier: Apache-2.0
// The run log's lines: the schema failure and the calculation's reasons in
// the words of the rows logged for the record, other notes as they were. And
// the reasons read from messages rows, grouped for the page.
#include "run_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "stage_problems.h"

namespace fs = std::filesystem;

namespace {

tarvos::RecordNote note(std::uint64_t line, int flags, std::string_view id = "00001234") {
    tarvos::RecordNote n;
    n.line = line;
    n.flags = flags;
    n.patient_id = id;
    return n;
}

TEST(RunLog, EachLineCarriesTheReasonsLoggedForItsRecord) {
    const fs::path path = fs::temp_directory_path() / "tarvos-run-log-test.log";
    std::FILE* out = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(out, nullptr);
    tarvos::RunLogWriter log(out, 2);
    log.heading("in.dat");
    tarvos::RecordNote padded = note(3, 0, "  ID WI ");  // blanks kept as the record holds them
    padded.padded = true;
    padded.length = 20000;
    log.add(padded, {});
    using Rows = std::vector<std::string>;
    log.add(note(5, 8 | 128), Rows{"CS cannot find a schema for site 'C999', which may be invalid. ",
                                   "CS says: 'No schema: Primary Site (item 400) 'C999' is not a valid code '"});
    log.add(note(7, 128), Rows{"CS says: 'Invalid CS Extension (item 2810) 'ZZZ' for schema Prostate '",
                               "CS says: 'Invalid Grade (item 440) '0' for schema Prostate '"});
    log.add(note(9, 128, ""), {});  // no rows: the general words
    log.add(note(11, 8), {});
    EXPECT_EQ(log.error(), 0);
    std::fclose(out);
    std::ostringstream written;
    written << std::ifstream(path, std::ios::binary).rdbuf();
    std::string expected =
        "Records of \"in.dat\" to look at: line (also the record number), Patient ID, what happened.\n"
        "line 3, Patient ID \"  ID WI \": padded with blanks from 20000 characters\n"
        "line 5, Patient ID \"00001234\": CS cannot find a schema for site 'C999', which may be invalid.; stage "
        "calculation error: No schema: Primary Site (item 400) 'C999' is not a valid code\n"
        "line 7, Patient ID \"00001234\": stage calculation error: Invalid CS Extension (item 2810) 'ZZZ' for schema "
        "Prostate; Invalid Grade (item 440) '0' for schema Prostate\n"
        "line 9, Patient ID \"\": stage calculation error\n"
        "line 11, Patient ID \"00001234\": no Collaborative Stage schema for the site\n";
#if defined(_WIN32)
    for (std::size_t at = expected.find('\n'); at != std::string::npos; at = expected.find('\n', at + 2))
        expected.insert(at, "\r");
#endif
    EXPECT_EQ(written.str(), expected);
    const tarvos::RunLogLines lines = log.take();
    EXPECT_EQ(lines.total, 5u);
    ASSERT_EQ(lines.first.size(), 2u);
    EXPECT_TRUE(lines.first[1].starts_with("line 5, Patient ID \"00001234\": CS cannot find")) << lines.first[1];
    fs::remove(path);
}

// Every kind of reason the Collaborative Stage library writes, as the page
// groups it: the problem, the item, the schema.
TEST(StageReasons, EachKindOfReasonHasItsProblemItemAndSchema) {
    struct Case {
        const char* row;
        tarvos::StageReason reason;
    };
    const Case cases[] = {
        {"CS says: 'No schema: Primary Site (item 400) 'C999' is not a valid code '",
         {"No schema", "Primary Site (item 400)", ""}},
        {"CS says: 'No schema: no schema takes Primary Site (item 400) 'C445' with Histologic Type ICD-O-3 (item 522) "
         "'9590' '",
         {"No schema", "Primary Site and histology", ""}},
        {"CS says: 'No schema: CS Site-Specific Factor 25 (item 2879) 'XYZ' selects none for Primary Site 'C161' and "
         "histology '8140'; 000 selects Stomach '",
         {"No schema", "CS Site-Specific Factor 25 (item 2879)", ""}},
        {"CS says: 'Year of diagnosis '1999' rejected for schema Prostate: Date of Diagnosis (item 390) must be 2004 "
         "to 2026, or blank with a known CS Version Input Original; nothing derived '",
         {"Year rejected", "Date of Diagnosis (item 390)", "Prostate"}},
        {"CS says: 'Table summary_stage_rpa for schema Prostate reports an error for SEER Summary Stage 1977 with "
         "SS1977 T 'IS' '",
         {"Table error", "SEER Summary Stage 1977 (table summary_stage_rpa)", "Prostate"}},
        {"CS says: 'Table extension_x for schema Lung is already running: jump not taken'",
         {"Jump not taken", "table extension_x", "Lung"}},
        {"CS says: 'Extension 'ABC' no good '", {"Other", "Extension '...' no good", ""}},
    };
    for (const Case& c : cases) {
        const std::optional<std::string_view> words = tarvos::cs_says_words(c.row);
        ASSERT_TRUE(words) << c.row;
        EXPECT_EQ(tarvos::stage_reason(*words), c.reason) << c.row;
    }
    EXPECT_FALSE(tarvos::cs_says_words("CS cannot find a schema for site 'C999', which may be invalid. "));
    EXPECT_FALSE(tarvos::cs_says_words("CS says: 'cut short"));
}

}  // namespace
