// SPDX-License-Identifier: Apache-2.0
// The parts of cstage that its runs as a registrar's do not reach: the audit's
// skipped records and its comparison of codes padded to their items, lines
// of every line end (a CR LF split between two reads included), inputs named
// by NAACCR item number, usage errors, and codes written as ranges.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "audit.h"
#include "commands.h"
#include "cs_code_lists.h"
#include "cs_test_files.h"
#include "line_source.h"
#include "naaccr_columns.h"

namespace fs = std::filesystem;

namespace {

// A published prostate case as a NAACCR 14.0 abstract whose derived items
// are blank.
std::string prostate_abstract() {
    constexpr std::string_view kCase =
        "C619,8000,2013,020550,3,9,081,9,021,000,0,800,3,00,10,00,0,002,010,000,120,988,988,021,002,013,002,998,025,"
        "025,020,020,988,988,988,988,988,988,988,988,988,988";
    std::string record = cstest::record_from_case(cstest::ExpectedCase{cstest::split(kCase, ',')});
    record.replace(0, 1, "A");
    record.replace(16, 3, "140");
    record.replace(1160, 6, "020550");  // CS Version Input Current
    return record;
}

TEST(Audit, RecordsAreSkippedAsTheConversionSkipsThemAndCodesCompareAsTheItemHoldsThem) {
    const csengine::Engine& engine = csengine::embedded_engine();
    cstage_cli::Auditor auditor(engine);
    std::vector<cstage_cli::Difference> found;
    std::vector<std::string> derived;
    const auto audit = [&](const std::string& record) {
        auditor.audit(record, auditor.counts().read + 1, [&](const cstage_cli::Difference& d) {
            found.push_back(d);
            derived.emplace_back(d.derived);
        });
    };
    const std::string base = prostate_abstract();
    const auto with = [&](std::size_t at, std::string_view text) {
        std::string r = base;
        r.replace(at, text.size(), text);
        return r;
    };
    audit(with(529, "2003"));      // before 2004
    audit(with(529, "    "));      // no year
    audit(with(1160, "010401"));   // inputs of CS version 1
    audit(with(16, "130"));        // not NAACCR 14.0 or 15.0
    audit(with(0, "X"));           // no record type
    audit(base.substr(0, 1000));   // too short for the derived items
    audit(with(539, "C999"));      // no schema
    const cstage_cli::AuditCounts& c = auditor.counts();
    EXPECT_EQ(c.before_2004, 2u);
    EXPECT_EQ(c.older_cs_input, 1u);
    EXPECT_EQ(c.other_records, 2u);
    EXPECT_EQ(c.too_short, 1u);
    EXPECT_EQ(c.not_derivable_reasons.at("no schema: Primary Site (item 400) is not a valid code"), 1u);
    EXPECT_EQ(c.audited, 0u);
    EXPECT_TRUE(found.empty());

    // Blank derived items differ from every code the tables give.
    audit(base);
    EXPECT_EQ(c.audited, 1u);
    EXPECT_EQ(c.differing, 1u);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().line, 8u);
    EXPECT_EQ(found.front().patient_id, std::string(8, ' '));
    // With the derived codes in their items, blank-padded, the record agrees;
    // the same code shifted within its item does not.
    std::string agreeing = base;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const cstage::NaaccrItem& item = cstage::output_items()[found[i].item];
        std::string code = derived[i];
        code.resize(item.width, ' ');
        agreeing.replace(item.offset, item.width, code);
    }
    found.clear();
    audit(agreeing);
    EXPECT_EQ(c.agreeing, 1u);
    EXPECT_TRUE(found.empty());
    std::string shifted = agreeing;
    shifted.replace(1113, 3, " " + agreeing.substr(1113, 2));  // Derived AJCC-7 T, one column right
    audit(shifted);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(cstage::output_items()[found[0].item].name, "Derived AJCC-7 T");
}

std::vector<std::string> lines_of(cstage_cli::LineSource& source) {
    std::vector<std::string> lines;
    std::string_view line;
    while (source.next(line)) lines.emplace_back(line);
    return lines;
}

TEST(LineSource, EveryLineEndAndALastLineWithoutOne) {
    const fs::path path = fs::temp_directory_path() / "cstage-lines.txt";
    using Lines = std::vector<std::string>;
    for (const auto& [text, expected] : {std::pair<std::string, Lines>{"ab\ncd\n\nef", {"ab", "cd", "", "ef"}},
                                         {"ab\r\ncd\r\n", {"ab", "cd"}},
                                         {"ab\rcd\r", {"ab", "cd"}},
                                         {"", {}}}) {
        std::ofstream(path, std::ios::binary) << text;
        cstage_cli::LineSource source(path.string());
        ASSERT_EQ(source.error(), "");
        EXPECT_EQ(lines_of(source), expected) << text;
    }
    fs::remove(path);
    cstage_cli::LineSource missing((fs::temp_directory_path() / "cstage-no-such-file").string());
    EXPECT_NE(missing.error(), "");
}

#if !defined(_WIN32)
// The lines of text read through a pipe.
std::vector<std::string> piped_lines(const std::string& text, std::string& error) {
    const fs::path fifo = fs::temp_directory_path() / "cstage-lines.fifo";
    fs::remove(fifo);
    if (mkfifo(fifo.c_str(), 0600) != 0) return {"mkfifo failed"};
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << text; });
    cstage_cli::LineSource source(fifo.string());
    std::vector<std::string> lines = lines_of(source);
    writer.join();
    fs::remove(fifo);
    error = source.error();
    return lines;
}

// A pipe is read in blocks: a line longer than a block, whose CR LF is split
// between two reads, is still one line with one line end; a CR that ends what
// was read ends a line once the end of the file shows it is no CR LF.
TEST(LineSource, APipeIsReadInBlocksAndALineEndSplitBetweenTwoReadsIsOne) {
    const std::string first((std::size_t{8} << 20) - 1, 'x');  // its CR is the last byte of the first block
    std::string error;
    const std::vector<std::string> lines = piped_lines(first + "\r\nnext\r\nlast", error);
    EXPECT_EQ(error, "");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), first.size());
    EXPECT_EQ(lines[1], "next");
    EXPECT_EQ(lines[2], "last");
    EXPECT_EQ(piped_lines("ab\rcd\r", error), (std::vector<std::string>{"ab", "cd"}));
}
#endif

std::string derived(const cstage_cli::Args& args, int& code) {
    std::FILE* out = std::tmpfile();
    code = cstage_cli::derive_command(csengine::embedded_engine(), args, out);
    std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    const std::size_t n = std::fread(text.data(), 1, text.size(), out);
    std::fclose(out);
    text.resize(n);
    return text;
}

TEST(Derive, InputsByKeyOrItemNumberAndUsageErrors) {
    int by_key_code = 0, by_number_code = 0;
    const std::string by_key = derived({"site=C619", "hist=8140", "year_dx=2012", "extension=ZZZ"}, by_key_code);
    const std::string by_number = derived({"400=C619", "522=8140", "390=2012", "2810=ZZZ"}, by_number_code);
    EXPECT_EQ(by_number, by_key);
    EXPECT_EQ(by_key_code, cstage_cli::kExitProblems);
    EXPECT_NE(by_key.find("problem: Invalid CS Extension (item 2810) 'ZZZ' for schema Prostate\n"), std::string::npos)
        << by_key;
    int code = 0;
    EXPECT_EQ(derived({"site=C619", "hist=8140", "year_dx=2012", "extension=100"}, code).find("problem"),
              std::string::npos);
    EXPECT_EQ(code, cstage_cli::kExitOk);
    for (const cstage_cli::Args& bad : {cstage_cli::Args{"extension=1000"}, cstage_cli::Args{"size=1", "2800=2"},
                                        cstage_cli::Args{"gleason=7"}, cstage_cli::Args{"extension"},
                                        cstage_cli::Args{}})
        EXPECT_THROW(derived(bad, code), cstage_cli::UsageError);
}

TEST(CodeRanges, RunsOfCodesBecomeRanges) {
    EXPECT_EQ(csengine::compact_codes({"001", "002", "003", "005", "007", "008"}), "001-003, 005, 007, 008");
    EXPECT_EQ(csengine::compact_codes({"C098", "C099", "C100", "C101"}), "C098-C101");
    EXPECT_EQ(csengine::compact_codes({"9", "99", "999"}), "9, 99, 999");
    EXPECT_EQ(csengine::compact_codes({"988"}), "988");
    EXPECT_EQ(csengine::compact_codes({}), "");
}

}  // namespace
