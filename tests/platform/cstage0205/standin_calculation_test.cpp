// The stand-in's stage calculation: from a NAACCR record through the data
// card to the derived items, the error word and the message.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cstage0205.h"
#include "record_builder.h"

namespace vexlin::test {
namespace {

constexpr std::uint32_t kSs1977Mask = 0x00000F00;
constexpr std::uint32_t kSs2000Mask = 0x0000F000;
constexpr std::uint32_t kAjccMask = 0x07F000FE;

struct Calculation {
    int result = 0;
    std::vector<char> card = std::vector<char>(CSTAGE_DATACARD_SIZE, '\0');

    std::string item(std::size_t offset, std::size_t width) const { return std::string(card.data() + offset, width); }
    std::uint32_t error_word() const {
        std::uint32_t w = 0;
        std::memcpy(&w, card.data() + CSTAGE_DC_ERROR_WORD, sizeof w);
        return w;
    }
    std::string message() const { return std::string(card.data() + CSTAGE_DC_MESSAGE); }
    std::string ajcc6() const {
        return item(CSTAGE_DC_AJCC6_T, 2) + item(CSTAGE_DC_AJCC6_N, 2) + item(CSTAGE_DC_AJCC6_M, 2) +
               item(CSTAGE_DC_AJCC6_STAGE, 2);
    }
    std::string ajcc7() const {
        return item(CSTAGE_DC_AJCC7_T, 3) + item(CSTAGE_DC_AJCC7_N, 3) + item(CSTAGE_DC_AJCC7_M, 3) +
               item(CSTAGE_DC_AJCC7_STAGE, 3);
    }
    std::string summary() const { return item(CSTAGE_DC_SS1977, 1) + item(CSTAGE_DC_SS2000, 1); }
};

Calculation calculate(const RecordBuilder& r) {
    Calculation c;
    EXPECT_EQ(CStage_move_naaccr_to_datacard(c.card.data(), r.str().data()), 0);
    c.result = CStage_calculate(c.card.data());
    return c;
}

RecordBuilder case_of(const char* site, const char* histology, const char* extension, const char* nodes,
                      const char* mets) {
    RecordBuilder r = typical_record();
    r.set(field::kPrimarySite, site)
        .set(field::kHistology, histology)
        .set(field::kCsExtension, extension)
        .set(field::kCsLymphNodes, nodes)
        .set(field::kCsMetsAtDx, mets);
    return r;
}

std::size_t line_count(const std::string& message) { return std::count(message.begin(), message.end(), '\n'); }

TEST(StandInCalculation, SystemicSchemasGiveDistantAndNotApplicable) {
    for (const RecordBuilder& r : {case_of("C421", "9863", "800", "988", "98"),
                                   case_of("C421", "9732", "810", "988", "98"),
                                   case_of("C421", "9732", "810", "987", "98")}) {
        const Calculation c = calculate(r);
        EXPECT_EQ(c.result, 0) << c.message();
        EXPECT_EQ(c.error_word(), 0u);
        EXPECT_EQ(c.message(), "");
        EXPECT_EQ(c.summary(), "77");
        EXPECT_EQ(c.ajcc6(), "88888888");
        EXPECT_EQ(c.ajcc7(), "888888888888");
    }
}

TEST(StandInCalculation, InvalidSystemicInputsFailSummaryStageOnly) {
    const Calculation c = calculate(case_of("C421", "9863", "810", "000", "98"));
    EXPECT_NE(c.result, 0);
    EXPECT_NE(c.error_word() & kSs1977Mask, 0u);
    EXPECT_NE(c.error_word() & kSs2000Mask, 0u);
    EXPECT_NE(c.error_word() & kAjccMask, kAjccMask);
    EXPECT_EQ(c.error_word() & ~(kSs1977Mask | kSs2000Mask | 1u), 0u);
    EXPECT_EQ(line_count(c.message()), 2u) << c.message();
    EXPECT_NE(c.message().find("CS Extension '810' is not valid for schema HemeRetic"), std::string::npos);
    EXPECT_NE(c.message().find("CS Lymph Nodes '000'"), std::string::npos);
    EXPECT_EQ(c.ajcc6(), "88888888");
}

TEST(StandInCalculation, UndeterminedSchemaFailsEveryFamily) {
    const Calculation c = calculate(case_of("C999", "8140", "100", "000", "00"));
    EXPECT_NE(c.result, 0);
    EXPECT_EQ(c.error_word() & kAjccMask, kAjccMask);
    EXPECT_NE(c.error_word() & kSs1977Mask, 0u);
    EXPECT_NE(c.error_word() & kSs2000Mask, 0u);
    EXPECT_GE(line_count(c.message()), 2u);
    EXPECT_EQ(c.ajcc6(), std::string(8, ' '));
    EXPECT_EQ(c.summary(), "  ");
}

struct SolidCase {
    const char* extension;
    const char* nodes;
    const char* mets;
    const char* ajcc6;    // T, N, M, stage group
    const char* ajcc7;
    const char* summary;  // SS1977, SS2000
};

class StandInSolidTest : public ::testing::TestWithParam<SolidCase> {};

TEST_P(StandInSolidTest, DerivesFromTheCodeTables) {
    const SolidCase& s = GetParam();
    const Calculation c = calculate(case_of("C619", "8140", s.extension, s.nodes, s.mets));
    EXPECT_EQ(c.result, 0) << c.message();
    EXPECT_EQ(c.ajcc6(), s.ajcc6);
    EXPECT_EQ(c.ajcc7(), s.ajcc7);
    EXPECT_EQ(c.summary(), s.summary);
}

INSTANTIATE_TEST_SUITE_P(
    Prostate, StandInSolidTest,
    ::testing::Values(SolidCase{"000", "000", "00", "05000000", "050000000000", "00"},
                      SolidCase{"100", "000", "00", "10000010", "100000000100", "11"},
                      SolidCase{"300", "000", "00", "20000010", "200000000100", "11"},
                      SolidCase{"400", "000", "00", "30000030", "300000000300", "22"},
                      SolidCase{"400", "100", "00", "30100050", "300100000500", "44"},
                      SolidCase{"100", "500", "00", "10200050", "100200000500", "33"},
                      SolidCase{"800", "000", "00", "40000030", "400000000300", "77"},
                      SolidCase{"100", "000", "10", "10001070", "100000100700", "77"},
                      SolidCase{"999", "000", "00", "99000099", "999000000999", "99"},
                      SolidCase{"100", "999", "99", "10999999", "100999999999", "99"},
                      SolidCase{"950", "000", "00", "00000099", "000000000999", "99"}));

TEST(StandInCalculation, DescriptorsFollowTheEvaluationItems) {
    RecordBuilder r = case_of("C619", "8140", "100", "000", "00");
    r.set(field::kCsTumorSizeExtEval, "3").set(field::kCsLymphNodesEval, "6").set(field::kCsMetsEval, "0");
    const Calculation c = calculate(r);
    EXPECT_EQ(c.item(CSTAGE_DC_AJCC6_T_DESCRIPT, 1), "p");
    EXPECT_EQ(c.item(CSTAGE_DC_AJCC7_T_DESCRIPT, 1), "p");
    EXPECT_EQ(c.item(CSTAGE_DC_AJCC6_N_DESCRIPT, 1), "y");
    EXPECT_EQ(c.item(CSTAGE_DC_AJCC7_M_DESCRIPT, 1), "c");
}

TEST(StandInCalculation, InvalidSolidItemLeavesTheOtherAjccItems) {
    const Calculation c = calculate(case_of("C619", "8140", "100", "000", "98"));
    EXPECT_NE(c.result, 0);
    EXPECT_NE(c.error_word() & kAjccMask, 0u);
    EXPECT_NE(c.error_word() & kAjccMask, kAjccMask);
    EXPECT_EQ(c.ajcc6(), "10009999");
    EXPECT_EQ(line_count(c.message()), 1u);
    EXPECT_NE(c.message().find("CS Mets at DX '98' is not valid for schema Prostate"), std::string::npos);
}

TEST(StandInCalculation, LymphomaUsesTheExtensionAsStage) {
    const Calculation c = calculate(case_of("C779", "9680", "300", "   ", "  "));
    EXPECT_EQ(c.result, 0) << c.message();
    EXPECT_EQ(c.ajcc6(), "88888850");
    EXPECT_EQ(c.ajcc7(), "888888888500");
    EXPECT_EQ(c.summary(), "77");
    EXPECT_NE(CStage_calculate(calculate(case_of("C779", "9680", "450", "   ", "  ")).card.data()), 0);
}

TEST(StandInCalculation, IsDeterministicAndClearsTheEarlierResult) {
    const RecordBuilder bad = case_of("C619", "8140", "100", "000", "98");
    const RecordBuilder good = case_of("C619", "8140", "100", "000", "00");
    Calculation c;
    CStage_move_naaccr_to_datacard(c.card.data(), bad.str().data());
    ASSERT_NE(CStage_calculate(c.card.data()), 0);
    CStage_move_naaccr_to_datacard(c.card.data(), good.str().data());
    EXPECT_EQ(CStage_calculate(c.card.data()), 0);
    EXPECT_EQ(c.error_word(), 0u);
    EXPECT_EQ(c.message(), "");
    EXPECT_EQ(c.card, calculate(good).card);
}

TEST(StandInCalculation, NullArgumentsAreRefused) {
    std::vector<char> card(CSTAGE_DATACARD_SIZE, '\0');
    EXPECT_NE(CStage_calculate(nullptr), 0);
    EXPECT_NE(CStage_move_naaccr_to_datacard(nullptr, typical_record().str().data()), 0);
    EXPECT_NE(CStage_move_naaccr_to_datacard(card.data(), nullptr), 0);
    EXPECT_NE(CStage_move_datacard_to_naaccr(card.data(), nullptr), 0);
}

TEST(StandInCalculation, DatacardToNaaccrWritesTheDerivedItems) {
    RecordBuilder r = case_of("C421", "9863", "800", "988", "98");
    const Calculation c = calculate(r);
    ASSERT_EQ(CStage_move_datacard_to_naaccr(c.card.data(), r.data()), 0);
    EXPECT_EQ(r.get(field::kDerivedAjcc6StageGrp), "88");
    EXPECT_EQ(r.get(field::kDerivedAjcc7T), "888");
    EXPECT_EQ(r.get(field::kDerivedSs2000), "7");
}

}  // namespace
}  // namespace vexlin::test
