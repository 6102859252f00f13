// SPDX-License-Identifier: Apache-2.0
// The hematopoietic rules, sub-rule by sub-rule for each shape, with the
// per-row differences: what is written (byte for byte), logged and flagged.
#include "hematopoietic_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules_test_support.h"

namespace vexlin {
namespace {

using test::ssf_range;
using test::Writes;

const Writes kShortSet = Writes{{field::kCsExtension, "800"}, {field::kCsTumorSizeExtEval, "9"},
                                {field::cs_ssf(1), "999"}} + ssf_range(2, 5, "988");
const Writes kFullHead = {{field::kCsExtension, "800"}, {field::kCsTumorSizeExtEval, "9"},
                          {field::kCsLymphNodes, "988"}, {field::kCsLymphNodesEval, "9"},
                          {field::kCsMetsAtDx, "98"},    {field::kCsMetsEval, "9"},
                          {field::cs_ssf(1), "999"}};
const Writes kFullSet = kFullHead + ssf_range(2, 13, "988");
const Writes kAdnexaSet = kFullHead + ssf_range(2, 5, "988");
const Writes kMyelomaSet = {{field::kCsExtension, "810"}, {field::kCsLymphNodes, "987"},
                            {field::cs_ssf(1), "988"},    {field::cs_ssf(2), "999"},
                            {field::cs_ssf(3), "999"}};
const Writes kMyelomaAdnexaSet = kMyelomaSet + Writes{{field::kCsTumorSizeExtEval, "9"},
                                                      {field::kCsLymphNodesEval, "9"},
                                                      {field::kCsMetsAtDx, "98"},
                                                      {field::kCsMetsEval, "9"}} + ssf_range(4, 13, "988");
const Writes kSurgeryNa = {{field::kRxSummSurgPrimSite, "98"}, {field::kRxSummScopeRegLnSur, "9"}};
const Writes kToMarrow = {{field::kPrimarySite, "C421"}};
const Writes kPlacement = kToMarrow + kSurgeryNa;

Writes grade(std::string_view g) { return {{field::kGrade, g}}; }
Writes hist(std::string_view h) { return {{field::kHistology, h}}; }

enum Logs { kNothing = 0, kConversion = 1, kReview = 2, kBoth = 3 };

struct Case {
    const char* histology;
    const char* grade;
    const char* site;
    Writes writes;
    Logs logs;
    bool restage = false;
};

std::string describe(const Case& c) {
    return std::string(c.histology) + " grade '" + c.grade + "' site " + c.site;
}

void check(const std::vector<Case>& cases) {
    std::uint32_t seed = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(describe(c));
        ResultsStore store = ResultsStore::in_memory();
        test::RecordBuilder r = test::noisy_record(++seed);
        r.set(field::kHistology, c.histology).set(field::kGrade, c.grade).set(field::kPrimarySite, c.site);
        const std::string before = r.str();
        unsigned char restage = 0, review = 0;
        apply_hematopoietic_rules(store, 12, r.span(), restage, review);

        const std::string want = test::with_writes(before, c.writes);
        EXPECT_TRUE(r.str() == want) << "differs at " << test::differing_offsets(r.str(), want);
        EXPECT_EQ(restage, c.restage ? 1 : 0);
        EXPECT_EQ(review, (c.logs & kReview) ? 1 : 0);

        const std::string v14 = std::string(c.histology) + c.grade + c.site;
        const std::string v15 = std::string(r.get(field::kHistology)) + std::string(r.get(field::kGrade)) +
                                std::string(r.get(field::kPrimarySite));
        const auto conversions = test::conversion_rows(store);
        ASSERT_EQ(conversions.size(), (c.logs & kConversion) ? 1u : 0u);
        for (const auto& row : conversions) {
            EXPECT_EQ(row.type, "hematopoietic");
            EXPECT_EQ(row.record + "|" + row.patient + row.seq_central + row.facility + row.accession +
                          row.seq_hospital,
                      "12|P000004201FAC000007720140012302");
            EXPECT_EQ(row.v14_hist + row.v14_grade + row.v14_site, v14);
            EXPECT_EQ(row.v15_hist + row.v15_grade + row.v15_site, v15);
            EXPECT_EQ(row.v14_country + row.v15_country, "");
        }
        const auto reviews = test::review_rows(store);
        ASSERT_EQ(reviews.size(), (c.logs & kReview) ? 1u : 0u);
        for (const auto& row : reviews) {
            EXPECT_EQ(row.accession, "201400123");
            EXPECT_EQ(row.v14_hist + row.v14_grade + row.v14_site, v14);
            EXPECT_EQ(row.v15_hist + row.v15_grade + row.v15_site, v15);
        }
    }
}

TEST(ShapeR, ReviewAtListedSites) {
    check({
        {"9590", "3", "C420", grade("9"), kBoth},                          // R1
        {"9590", "6", "C420", {}, kReview},                                // R2
        {"9590", "3", "C000", grade("9"), kConversion},                    // R3
        {"9590", "3", "c420", grade("9"), kConversion},                    // lower case is no listed site
        {"9591", "0", "C000", {}, kNothing},                               // kept elsewhere
        {"9591", " ", "C000", {}, kNothing},
        {"9930", "2", "C421", grade("9"), kBoth},                          // blood sites and C421
        {"9699", "0", "C422", {}, kReview},                                // blood sites and C422
        {"9734", "1", "C400", grade("6"), kBoth},                          // bone sites and blood sites
        {"9740", "8", "C424", grade("9"), kBoth},                          // G9b converts 8
        {"9714", "6", "C000", {}, kNothing},                               // G5x keeps 6
        {"9714", "7", "C000", grade("5"), kConversion},
        {"9719", "9", "C000", grade("8"), kConversion},
    });
}

TEST(ShapeR, WithNewHistologyAlwaysLogs) {
    check({
        {"9654", "2", "C424", hist("9653") + grade("9"), kBoth},           // R1
        {"9654", "7", "C423", hist("9653"), kBoth},                        // R2
        {"9654", "1", "C771", hist("9653") + grade("9"), kConversion},     // R3
        {"9654", "7", "C000", hist("9653"), kConversion},                  // R4
        {"9750", " ", "C000", hist("9751"), kConversion},
        {"9684", "9", "C420", hist("9680") + grade("6"), kBoth},
    });
}

TEST(ShapeR, Row9687BlanksLymphNodesInR3Only) {
    check({
        {"9687", "1", "C000", grade("6") + Writes{{field::kCsLymphNodes, ""}}, kConversion},
        {"9687", "1", "C420", grade("6"), kBoth},
        {"9688", "1", "C000", grade("6"), kConversion},
    });
}

TEST(ShapeQ, ReviewOutsideListedSites) {
    check({
        {"9679", "1", "C379", grade("6"), kConversion},                    // Q1
        {"9679", "1", "C000", grade("6"), kBoth},                          // Q2
        {"9679", "0", "C000", {}, kReview},                                // Q3
        {"9679", "0", "C379", {}, kNothing},                               // kept at a listed site
        {"9689", "2", "C422", grade("6"), kConversion},
        {"9716", "6", "C422", grade("5"), kConversion},
        {"9731", "9", "C410", grade("6"), kConversion},
        {"9731", "6", "C421", {}, kReview},
    });
}

TEST(ShapeB, MarrowPlacement) {
    check({
        {"9800", "2", "C421", grade("9"), kConversion},                    // B1
        {"9800", "2", "C771", grade("9") + kPlacement, kConversion},       // B2
        {"9800", " ", "C771", kPlacement, kConversion},                    // B3
        {"9800", "2", "c421", grade("9") + kPlacement, kConversion},       // lower case is another site
        {"9800", "9", "C421", {}, kNothing},                               // kept at the placement site
        {"9987", "9", "C421", hist("9920"), kConversion},                  // B4
        {"9987", "3", "C421", hist("9920") + grade("9"), kConversion},
        {"9960", "0", "C420", hist("9975") + kPlacement, kConversion},
        {"9948", "9", "C421", grade("8"), kConversion},
    });
}

TEST(ShapeB, Row9805MovesThePrimarySiteOnly) {
    check({
        {"9805", " ", "C771", hist("9809") + kToMarrow, kConversion},
        {"9805", "1", "C000", hist("9809") + grade("9") + kToMarrow, kConversion},
        {"9805", "1", "C421", hist("9809") + grade("9"), kConversion},
        {"9805", "9", "C421", hist("9809"), kConversion},
    });
}

TEST(ShapeB, Row9761IsPlacedInBlood) {
    check({
        {"9761", "1", "C420", grade("6"), kConversion},
        {"9761", "6", "C420", {}, kNothing},
        {"9761", "1", "C421", grade("6") + Writes{{field::kPrimarySite, "C420"}} + kSurgeryNa, kConversion},
        {"9761", "6", "C421", Writes{{field::kPrimarySite, "C420"}} + kSurgeryNa, kConversion},
    });
}

TEST(ShapeC, BloodSiteLeukemia) {
    check({
        {"9811", "1", "C423", grade("6") + kToMarrow + kShortSet, kConversion, true},   // C1
        {"9811", "6", "C423", kToMarrow + kShortSet, kConversion, true},                // C2
        {"9823", "1", "C420", grade("6") + kToMarrow, kConversion},                     // C3
        {"9818", "0", "C424", kToMarrow, kConversion},                                  // C4
        {"9811", "1", "C000", grade("6"), kConversion},                                 // C5
        {"9827", "6", "C421", grade("5"), kConversion},
        {"9811", "6", "C000", {}, kNothing},
    });
}

TEST(ShapeD, RecodedToALeukemia) {
    check({
        {"9670", "1", "C421", hist("9823") + grade("6") + kShortSet, kConversion, true},             // D1
        {"9670", "6", "C421", hist("9823") + kShortSet, kConversion, true},                          // D2
        {"9670", "1", "C420", hist("9823") + grade("6") + kToMarrow + kShortSet, kConversion, true}, // D3
        {"9728", " ", "C424", hist("9811") + kToMarrow + kShortSet, kConversion, true},              // D4
        {"9729", "6", "C000", hist("9837") + grade("5"), kConversion},                               // D5
        {"9728", "0", "C000", hist("9811"), kConversion},                                            // D6
    });
}

TEST(ShapeE, LeukemiaAtAdnexaSites) {
    check({
        {"9820", "2", "C421", grade("9"), kConversion},                                        // E1
        {"9820", "2", "C695", grade("9") + kToMarrow + kFullSet + kSurgeryNa, kConversion, true},  // E2
        {"9832", " ", "C441", kToMarrow + kFullSet + kSurgeryNa, kConversion, true},           // E3
        {"9826", "1", "C000", grade("6") + kPlacement, kConversion},                           // E4
        {"9834", "5", "C000", kPlacement, kConversion},                                        // E5
        {"9820", "9", "C421", {}, kNothing},
        {"9831", "5", "C421", {}, kNothing},                                                   // G9x keeps 5 and 8
        {"9831", "8", "C421", {}, kNothing},
        {"9831", "6", "C421", grade("9"), kConversion},
    });
}

TEST(ShapeF, RecodedTo9811WithAdnexaSites) {
    check({
        {"9835", "1", "C421", hist("9811") + grade("6"), kConversion},                            // F1
        {"9835", "6", "C421", hist("9811"), kConversion},                                         // F2
        {"9835", "1", "C420", hist("9811") + grade("6") + kToMarrow, kConversion},                // F3
        {"9836", "1", "C420", hist("9811") + grade("6") + kToMarrow +
                                  Writes{{field::kCsLymphNodes, ""}}, kConversion},               // F3 of 9836
        {"9836", "0", "C423", hist("9811") + kToMarrow, kConversion},                             // F4
        {"9835", "2", "C690", hist("9811") + grade("6") + kToMarrow + kAdnexaSet, kConversion, true},  // F5
        {"9836", "6", "C696", hist("9811") + kToMarrow + kAdnexaSet, kConversion, true},         // F6
        {"9835", "3", "C000", hist("9811") + grade("6") + kToMarrow, kConversion},                // F7
        {"9836", " ", "C000", hist("9811") + kToMarrow, kConversion},                             // F8
    });
}

TEST(ShapeG, RecodedTo9732) {
    check({
        {"9733", "1", "C421", hist("9732") + grade("6") + kMyelomaSet, kConversion, true},                  // G1
        {"9733", "6", "C421", hist("9732") + kMyelomaSet, kConversion, true},                               // G2
        {"9733", "2", "C441", hist("9732") + grade("6") + kToMarrow + kMyelomaAdnexaSet, kConversion, true}, // G3
        {"9733", " ", "C690", hist("9732") + kToMarrow + kMyelomaAdnexaSet, kConversion, true},             // G4
        {"9733", "3", "C000", hist("9732") + grade("6") + kToMarrow + kMyelomaSet, kConversion, true},      // G5
        {"9733", " ", "C000", hist("9732") + kToMarrow + kMyelomaSet, kConversion, true},                   // G6
    });
}

TEST(ShapeH, RecodedTo9762) {
    check({
        {"9760", "1", "C423", hist("9762") + grade("6") + kToMarrow, kConversion},                 // H1
        {"9760", "6", "C423", hist("9762") + kToMarrow, kConversion},                              // H2
        {"9764", "6", "C420", hist("9762") + kToMarrow + Writes{{field::kCsTumorSizeExtEval, ""}},
         kConversion},                                                                             // H2 of 9764
        {"9764", "1", "C420", hist("9762") + grade("6") + kToMarrow, kConversion},
        {"9760", "1", "C000", hist("9762") + grade("6"), kConversion},                             // H3
        {"9764", "0", "C000", hist("9762"), kConversion},                                          // H4
    });
}

TEST(ShapeI, HeavyChainPlacement) {
    check({
        {"9762", "1", "C424", grade("6") + kToMarrow, kConversion},   // I1
        {"9762", "6", "C420", kToMarrow, kConversion},                // I2
        {"9762", "1", "C000", grade("6"), kConversion},               // I3
        {"9762", "6", "C000", {}, kNothing},
    });
}

TEST(OutsideTheTable, NothingHappens) {
    check({
        {"9589", "1", "C421", {}, kNothing},
        {"9993", "1", "C420", {}, kNothing},
        {"8140", "1", "C423", {}, kNothing},
        {"980 ", "1", "C771", {}, kNothing},
    });
}

}  // namespace
}  // namespace vexlin
