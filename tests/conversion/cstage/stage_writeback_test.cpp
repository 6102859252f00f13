// SPDX-License-Identifier: Apache-2.0
// Recomputing Collaborative Stage and writing the derived items back, with the
// scriptable double standing in for the library.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "record_builder.h"
#include "scriptable_cs.h"
#include "stage_writeback.h"

namespace vexlin::test {
namespace {

using cstage_scriptable::ScriptedCalculation;
using cstage_scriptable::DerivedStage;

constexpr int kAllFamilies = kStageSs1977 | kStageSs2000 | kStageAjcc;

// A record eligible for staging whose derived items hold old values.
RecordBuilder staged_record() {
    RecordBuilder r = typical_record();
    r.set(field::kCsVersionInputCurrent, "020550")
        .set(field::kDerivedAjccBlock, "abcdefghijklmnopqrstuvwxyz")
        .set(field::kDerivedSs1977, "A")
        .set(field::kDerivedSs2000, "B")
        .set_at(1156, "Q")
        .set(field::kDerivedAjccFlag, "1")
        .set(field::kDerivedSs1977Flag, "1")
        .set(field::kDerivedSs2000Flag, "1")
        .set(field::kCsVersionDerived, "020440");
    return r;
}

DerivedStage new_stage() {
    DerivedStage s;
    s.ajcc6_t = "10";
    s.ajcc6_t_descript = "c";
    s.ajcc6_n = "00";
    s.ajcc6_n_descript = "p";
    s.ajcc6_m = "00";
    s.ajcc6_m_descript = "a";
    s.ajcc6_stage = "12";
    s.ajcc7_t = "100";
    s.ajcc7_t_descript = "y";
    s.ajcc7_n = "000";
    s.ajcc7_n_descript = "c";
    s.ajcc7_m = "000";
    s.ajcc7_m_descript = "N";
    s.ajcc7_stage = "123";
    s.ss1977 = "1";
    s.ss2000 = "2";
    return s;
}
// The AJCC block as new_stage() gives it.
constexpr std::string_view kNewAjccBlock = "10c00p00a12100y000c000N123";

ScriptedCalculation scripted(int result, std::uint32_t error_word, std::string message = {}) {
    ScriptedCalculation c;
    c.result = result;
    c.stage = new_stage();
    c.stage.error_word = error_word;
    c.stage.message = std::move(message);
    return c;
}

class StageWritebackTest : public ScriptableCsTest {
protected:
    StageOutcome stage(RecordBuilder& r, int options, bool restage) {
        return derive_and_write_stage(cs_entry_points(), r.span(), options, restage);
    }
};

// The texts of an outcome, as they stand until the next record is staged.
std::vector<std::string> texts(const StageOutcome& out) { return {out.messages.begin(), out.messages.end()}; }

TEST_F(StageWritebackTest, OldStagingVersionsAndYearsAreNotStaged) {
    for (const auto& [version, year] : {std::pair{"020440", "2003"}, std::pair{"010401", "2014"},
                                        std::pair{"      ", "2014"}, std::pair{"020550", "    "}}) {
        RecordBuilder r = staged_record();
        r.set(field::kCsVersionInputCurrent, version).set(field::kDiagnosisYear, year);
        const std::string before = r.str();
        cstage_scriptable::script_next_calculation(scripted(1, 0x100, "never asked"));
        const StageOutcome out = stage(r, kAllFamilies, true);
        EXPECT_EQ(out.flags, 0);
        EXPECT_FALSE(out.has_message());
        EXPECT_EQ(r.str(), before) << version << " " << year;
    }
    EXPECT_EQ(cstage_scriptable::call_log().calculate_calls, 0);
    EXPECT_EQ(cstage_scriptable::call_log().move_to_datacard_calls, 0);
}

TEST_F(StageWritebackTest, LowestStagedVersionAndYearAreStaged) {
    RecordBuilder r = staged_record();
    r.set(field::kCsVersionInputCurrent, "020000").set(field::kDiagnosisYear, "2004");
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, kAllFamilies, true);
    EXPECT_EQ(cstage_scriptable::call_log().move_to_datacard_calls, 1);
    EXPECT_EQ(cstage_scriptable::call_log().calculate_calls, 1);
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), kNewAjccBlock);
}

TEST_F(StageWritebackTest, WithoutRestageNothingIsWrittenButTheErrorIsReported) {
    RecordBuilder r = staged_record();
    const std::string before = r.str();
    cstage_scriptable::script_next_calculation(scripted(3, 0x07F0FFFF, "bad extension"));
    const StageOutcome out = stage(r, kAllFamilies, false);
    EXPECT_EQ(out.flags, kFlagCsCalculationError);
    EXPECT_EQ(texts(out), std::vector<std::string>{"CS says: 'bad extension'"});
    EXPECT_EQ(differing_offsets(r.str(), before), "");
}

TEST_F(StageWritebackTest, SuccessWritesEveryRequestedFamily) {
    RecordBuilder r = staged_record();
    const std::string before = r.str();
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    const StageOutcome out = stage(r, kAllFamilies, true);
    EXPECT_EQ(out.flags, 0);
    EXPECT_FALSE(out.has_message());
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), kNewAjccBlock);
    EXPECT_EQ(r.get(field::kDerivedSs1977), "1");
    EXPECT_EQ(r.get(field::kDerivedSs2000), "2");
    EXPECT_EQ(r.get(field::kDerivedAjccFlag), "1");
    EXPECT_EQ(r.get(field::kDerivedSs1977Flag), "1");
    EXPECT_EQ(r.get(field::kDerivedSs2000Flag), "1");
    EXPECT_EQ(r.get(field::kCsVersionDerived), "020550");
    // Only the derived items and CS Version Derived changed.
    for (std::size_t i = 0; i < kRecordLength; ++i) {
        const bool derived_item = (i >= 1102 && i < 1128) || i == 1154 || i == 1155 ||
                                  (i >= 1157 && i < 1160) || (i >= 1172 && i < 1178);
        if (!derived_item) {
            ASSERT_EQ(r.str()[i], before[i]) << "offset " << i;
        }
    }
}

TEST_F(StageWritebackTest, OverrideCs20BlanksEveryDerivedItem) {
    RecordBuilder r = staged_record();
    r.set(field::kOverrideCs20, "1").set(field::kDerivedSs2000Flag, "2");
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, kAllFamilies, true);
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), std::string(26, ' '));
    EXPECT_EQ(r.get(Field{1154, 2}), "  ");
    EXPECT_EQ(r.get(Field{1157, 3}), "   ");
    EXPECT_EQ(r.get(field::kCsVersionDerived), "      ");
    EXPECT_EQ(r.get(Field{1156, 1}), "Q");
}

TEST_F(StageWritebackTest, OverrideCs20OtherThanOneDoesNotSuppress) {
    RecordBuilder r = staged_record();
    r.set(field::kOverrideCs20, "2");
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, kAllFamilies, true);
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), kNewAjccBlock);
}

TEST_F(StageWritebackTest, NoOptionsBlanksTheFamiliesAndTheVersion) {
    RecordBuilder r = staged_record();
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, 0, true);
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), std::string(26, ' '));
    EXPECT_EQ(r.get(Field{1154, 2}), "  ");
    EXPECT_EQ(r.get(Field{1157, 3}), "   ");
    EXPECT_EQ(r.get(field::kCsVersionDerived), "      ");
}

TEST_F(StageWritebackTest, OptionBitsOutsideTheFamiliesAreIgnored) {
    RecordBuilder r = staged_record();
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, 8 | 16 | kStageSs2000, true);
    EXPECT_EQ(r.get(field::kDerivedSs1977), " ");
    EXPECT_EQ(r.get(field::kDerivedSs2000), "2");
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), std::string(26, ' '));
    EXPECT_EQ(r.get(field::kCsVersionDerived), "020550");
}

struct KeptFamily {
    Field flag;
    Field item;
    std::string_view old_value;
};

class KeptFamilyTest : public StageWritebackTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

// A family whose flag holds "2" keeps its items and flag whatever the options
// and errors; the other families are written as usual.
TEST_P(KeptFamilyTest, FlagTwoIsLeftAlone) {
    const KeptFamily families[] = {
        {field::kDerivedSs1977Flag, field::kDerivedSs1977, "A"},
        {field::kDerivedSs2000Flag, field::kDerivedSs2000, "B"},
        {field::kDerivedAjccFlag, field::kDerivedAjccBlock, "abcdefghijklmnopqrstuvwxyz"},
    };
    const auto [which, options] = GetParam();
    const KeptFamily& kept = families[which];
    RecordBuilder r = staged_record();
    r.set(kept.flag, "2");
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, options, true);
    EXPECT_EQ(r.get(kept.flag), "2");
    EXPECT_EQ(r.get(kept.item), kept.old_value);
    for (const KeptFamily& other : families) {
        if (other.flag.offset == kept.flag.offset) continue;
        EXPECT_EQ(r.get(other.flag), options == kAllFamilies ? "1" : " ");
    }
}

INSTANTIATE_TEST_SUITE_P(FamiliesAndOptions, KeptFamilyTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(0, kAllFamilies)));

TEST_F(StageWritebackTest, AllFamiliesKeptLeavesTheVersionBlank) {
    RecordBuilder r = staged_record();
    r.set(field::kDerivedAjccFlag, "2").set(field::kDerivedSs1977Flag, "2").set(field::kDerivedSs2000Flag, "2");
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, kAllFamilies, true);
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(r.get(field::kCsVersionDerived), "      ");
}

TEST_F(StageWritebackTest, SummaryErrorsBlankOnlyTheirFamily) {
    RecordBuilder r = staged_record();
    cstage_scriptable::script_next_calculation(scripted(1, 0x00000101, "ss1977"));
    const StageOutcome out = stage(r, kAllFamilies, true);
    EXPECT_EQ(out.flags, kFlagCsCalculationError);
    EXPECT_EQ(r.get(field::kDerivedSs1977), " ");
    EXPECT_EQ(r.get(field::kDerivedSs1977Flag), " ");
    EXPECT_EQ(r.get(field::kDerivedSs2000), "2");
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), kNewAjccBlock);

    RecordBuilder r2 = staged_record();
    cstage_scriptable::script_next_calculation(scripted(1, 0x00008000, "ss2000"));
    stage(r2, kAllFamilies, true);
    EXPECT_EQ(r2.get(field::kDerivedSs1977), "1");
    EXPECT_EQ(r2.get(field::kDerivedSs2000), " ");
    EXPECT_EQ(r2.get(field::kDerivedSs2000Flag), " ");
}

TEST_F(StageWritebackTest, BitZeroAloneBlanksNothing) {
    RecordBuilder r = staged_record();
    cstage_scriptable::script_next_calculation(scripted(1, 0x00000001, "warning"));
    const StageOutcome out = stage(r, kAllFamilies, true);
    EXPECT_EQ(out.flags, kFlagCsCalculationError);
    EXPECT_EQ(r.get(field::kDerivedAjccBlock), kNewAjccBlock);
    EXPECT_EQ(r.get(field::kDerivedSs1977), "1");
    EXPECT_EQ(r.get(field::kDerivedSs2000), "2");
}

TEST_F(StageWritebackTest, AjccIsBlankedOnlyWhenEveryAjccBitIsSet) {
    struct Case {
        std::uint32_t word;
        bool blanked;
    };
    for (const Case& c : {Case{0x07F000FC, false}, Case{0x03F000FE, false}, Case{0x00000002, false},
                          Case{0x07F000FE, true}, Case{0x07F000FF, true}, Case{0xFFFFFFFF, true}}) {
        RecordBuilder r = staged_record();
        cstage_scriptable::script_next_calculation(scripted(1, c.word, "ajcc"));
        stage(r, kStageAjcc, true);
        EXPECT_EQ(r.get(field::kDerivedAjccBlock), c.blanked ? std::string(26, ' ') : std::string(kNewAjccBlock))
            << std::hex << c.word;
        EXPECT_EQ(r.get(field::kDerivedAjccFlag), c.blanked ? " " : "1");
        // A requested family was processed: the version is written even when
        // the error blanked its items.
        EXPECT_EQ(r.get(field::kCsVersionDerived), "020550");
    }
}

// One text a line, so that the messages report keeps a row a line: the
// newline that ends a line becomes the blank before the closing quote.
TEST_F(StageWritebackTest, EachLineOfTheMessageIsATextOfItsOwn) {
    using Texts = std::vector<std::string>;
    RecordBuilder r = staged_record();
    cstage_scriptable::script_next_calculation(scripted(1, 0x100, "first line\nsecond line\n"));
    EXPECT_EQ(texts(stage(r, kAllFamilies, true)), (Texts{"CS says: 'first line '", "CS says: 'second line '"}));

    cstage_scriptable::script_next_calculation(scripted(1, 0x100, "one\r\ntwo\tfour\nthree"));
    EXPECT_EQ(texts(stage(r, kAllFamilies, true)),
              (Texts{"CS says: 'one '", "CS says: 'two four '", "CS says: 'three'"}));

    cstage_scriptable::script_next_calculation(scripted(1, 0x100, ""));
    EXPECT_EQ(texts(stage(r, kAllFamilies, true)), Texts{"CS says: ''"});
}

TEST_F(StageWritebackTest, OutputsAreCopiedUpToTheirFirstNul) {
    RecordBuilder r = staged_record();
    ScriptedCalculation c = scripted(0, 0);
    c.raw_bytes = {{CSTAGE_DC_AJCC7_T, std::string("4\0" "9", 3)},
                   {CSTAGE_DC_AJCC6_N, std::string("\0" "1", 2)},
                   {CSTAGE_DC_SS1977, std::string("\0", 1)},
                   {CSTAGE_DC_SS2000, "\x07"}};
    cstage_scriptable::script_next_calculation(c);
    stage(r, kAllFamilies, true);
    EXPECT_EQ(r.get(field::kDerivedAjcc7T), "4  ");
    EXPECT_EQ(r.get(field::kDerivedAjcc6N), "  ");
    EXPECT_EQ(r.get(field::kDerivedSs1977), " ");
    EXPECT_EQ(r.get(field::kDerivedSs2000), " ");
    EXPECT_EQ(r.get(field::kDerivedAjcc6T), "10");
    EXPECT_EQ(r.str().find('\0'), std::string::npos);
}

TEST_F(StageWritebackTest, LongMessagesAreCutToFitTheirSlot) {
    RecordBuilder r = staged_record();
    // A message area filled to its end with no terminator at all.
    ScriptedCalculation c = scripted(1, 0x100);
    c.raw_bytes = {{CSTAGE_DC_MESSAGE, std::string(CSTAGE_DC_MESSAGE_SIZE, 'x')}};
    cstage_scriptable::script_next_calculation(c);
    const StageOutcome out = stage(r, kAllFamilies, true);
    ASSERT_EQ(out.messages.size(), 1u);
    ASSERT_EQ(out.messages[0].size(), 2999u);
    EXPECT_EQ(out.messages[0].substr(0, 11), "CS says: 'x");
    EXPECT_EQ(out.messages[0].find_first_not_of('x', 10), std::string::npos);
}

TEST_F(StageWritebackTest, NullOrShortVersionTextsAreSafe) {
    RecordBuilder r = staged_record();
    cstage_scriptable::script_version(nullptr);
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, kAllFamilies, true);
    EXPECT_EQ(r.get(field::kCsVersionDerived), "      ");

    cstage_scriptable::script_version("02");
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(r, kAllFamilies, true);
    EXPECT_EQ(r.get(field::kCsVersionDerived), "02    ");

    CsEntryPoints without_version = scriptable_entry_points();
    without_version.get_version = nullptr;
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    derive_and_write_stage(without_version, r.span(), kAllFamilies, true);
    EXPECT_EQ(r.get(field::kCsVersionDerived), "      ");
}

int CSTAGE_CALL calculation_writing_nothing(char*) { return 0; }

TEST_F(StageWritebackTest, EveryRecordStartsWithAFreshDataCard) {
    RecordBuilder first = staged_record();
    cstage_scriptable::script_next_calculation(scripted(0, 0));
    stage(first, kAllFamilies, true);
    ASSERT_EQ(first.get(field::kDerivedAjccBlock), kNewAjccBlock);

    // A library that leaves the outputs alone must not hand on the previous
    // record's stage.
    CsEntryPoints lazy = scriptable_entry_points();
    lazy.calculate = &calculation_writing_nothing;
    RecordBuilder second = staged_record();
    derive_and_write_stage(lazy, second.span(), kAllFamilies, true);
    EXPECT_EQ(second.get(field::kDerivedAjccBlock), std::string(26, ' '));
    EXPECT_EQ(second.get(field::kDerivedSs1977), " ");
    EXPECT_EQ(second.get(field::kDerivedAjccFlag), "1");
}

TEST_F(StageWritebackTest, WithoutABoundLibraryNothingHappens) {
    RecordBuilder r = staged_record();
    const std::string before = r.str();
    const StageOutcome out = derive_and_write_stage(CsEntryPoints{}, r.span(), kAllFamilies, true);
    EXPECT_EQ(out.flags, 0);
    EXPECT_EQ(r.str(), before);
}

// The library's own calculation, end to end: a leukemia moved into the
// HemeRetic schema by the hematopoietic rules, with the inputs that schema
// codes as not applicable.
TEST_F(StageWritebackTest, TheLibraryStagesAHematopoieticCase) {
    RecordBuilder r = staged_record();
    r.set(field::kPrimarySite, "C421")
        .set(field::kHistology, "9863")
        .set(field::kCsExtension, "800")
        .set(field::kCsTumorSizeExtEval, "9")
        .set(field::kCsLymphNodes, "988")
        .set(field::kCsLymphNodesEval, "9")
        .set(field::kCsMetsAtDx, "98")
        .set(field::kCsMetsEval, "9");
    const StageOutcome out = stage(r, kAllFamilies, true);
    EXPECT_EQ(out.flags, 0) << ::testing::PrintToString(out.messages);
    EXPECT_EQ(r.get(field::kDerivedSs1977), "7");
    EXPECT_EQ(r.get(field::kDerivedSs2000), "7");
    EXPECT_EQ(r.get(field::kDerivedAjcc6T), "88");
    EXPECT_EQ(r.get(field::kDerivedAjcc6StageGrp), "88");
    EXPECT_EQ(r.get(field::kDerivedAjcc7M), "888");
    EXPECT_EQ(r.get(field::kDerivedAjcc7StageGrp), "888");
    EXPECT_EQ(r.get(field::kCsVersionDerived), "020550");

    // A code the schema does not know is reported by its item; the version
    // of the library that processed the families is still written.
    r.set(field::kCsExtension, "ZZZ");
    const StageOutcome bad = stage(r, kAllFamilies, true);
    EXPECT_EQ(bad.flags, kFlagCsCalculationError);
    EXPECT_EQ(texts(bad), std::vector<std::string>{"CS says: 'Invalid CS Extension (item 2810) 'ZZZ' for schema HemeRetic '"});
    EXPECT_EQ(r.get(field::kCsVersionDerived), "020550");
}

}  // namespace
}  // namespace vexlin::test
