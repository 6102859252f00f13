// SPDX-License-Identifier: Apache-2.0
// The general 14.0 to 15.0 rules: country codes, the reserved block, record
// version, retired histology 8157, prostate grade, and the order and values
// of the rows they log.
#include "general_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "rules_test_support.h"

namespace vexlin {
namespace {

using test::conversion_rows;
using test::RecordBuilder;
using test::Writes;

constexpr int kProstate = 120;
constexpr int kOtherSchema = 50;

class GeneralRules : public ::testing::Test {
protected:
    // Runs the rules on r; keeps the record as it was in before_.
    int run(RecordBuilder& r, int schema_index = kOtherSchema) {
        before_ = r.str();
        restage_ = review_ = 0xEE;
        return apply_general_rules(store_, schema_index, 31, r.span(), restage_, review_);
    }
    // The record as the rules must leave it: the given writes plus the
    // version and the blanked block, nothing else.
    std::string expected(const Writes& writes) const {
        return test::with_writes(before_, writes + Writes{{field::kRecordVersion, "150"},
                                                          {field::kReservedSurvivalBlock, ""}});
    }
    void expect_record(const RecordBuilder& r, const Writes& writes) const {
        const std::string want = expected(writes);
        EXPECT_TRUE(r.str() == want) << "differs at " << test::differing_offsets(r.str(), want);
    }

    // A record in which no rule fires unless the test sets it up.
    static RecordBuilder quiet_record(std::uint32_t seed = 1) {
        RecordBuilder r = test::noisy_record(seed);
        r.set(field::kAddrAtDxCountry, "USA").set(field::kBirthplaceCountry, "CAN")
            .set(field::kAddrCurrentCountry, "ZZU").set(field::kFollowupContactCountry, "MEX")
            .set(field::kPlaceOfDeathCountry, "DEU").set(field::kHistology, "8140").set(field::kGrade, "9")
            .set(field::kPrimarySite, "C619");
        return r;
    }

    ResultsStore store_ = ResultsStore::in_memory();
    std::string before_;
    unsigned char restage_ = 0, review_ = 0;
};

TEST_F(GeneralRules, RetiredCountryInAllFiveItemsLogsFiveRowsInRuleOrder) {
    RecordBuilder r = quiet_record();
    for (Field f : {field::kAddrAtDxCountry, field::kAddrCurrentCountry, field::kBirthplaceCountry,
                    field::kFollowupContactCountry, field::kPlaceOfDeathCountry})
        r.set(f, "XYG");
    EXPECT_EQ(run(r), 0);
    expect_record(r, {{field::kAddrAtDxCountry, "YUG"}, {field::kAddrCurrentCountry, "YUG"},
                      {field::kBirthplaceCountry, "YUG"}, {field::kFollowupContactCountry, "YUG"},
                      {field::kPlaceOfDeathCountry, "YUG"}});
    const auto rows = conversion_rows(store_);
    ASSERT_EQ(rows.size(), 5u);
    const std::vector<std::string> order = {"Addr at Dx--Country", "Birthplace--Country", "Addr Current--Country",
                                            "Followup Contact--Country", "Place of Death--Country"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        EXPECT_EQ(row.type, order[i]);
        EXPECT_EQ(row.record, "31");
        EXPECT_EQ(row.patient + row.seq_central + row.facility + row.accession + row.seq_hospital,
                  "P000004201FAC000007720140012302");
        EXPECT_EQ(row.v14_hist + row.v14_grade + row.v14_site, "81409C619");
        EXPECT_EQ(row.v15_hist + row.v15_grade + row.v15_site, "81409C619");
        EXPECT_EQ(row.v14_country, "XYG");
        EXPECT_EQ(row.v15_country, "YUG");
    }
    EXPECT_EQ(store_.conversions_count(), 5);
}

// The ISO 3166 alpha-3 codes, current (part 1) and withdrawn (part 3), as
// Debian's iso-codes package publishes them; none when it is not installed.
std::set<std::string> iso_3166_codes() {
    std::set<std::string> codes;
    const std::regex alpha_3(R"re("alpha_3": "([A-Z]{3})")re");
    for (const char* part : {"iso_3166-1.json", "iso_3166-3.json"}) {
        std::ifstream in(std::string(NAACCR_ISO_CODES_DIR) + "/" + part);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        for (auto it = std::sregex_iterator(text.begin(), text.end(), alpha_3); it != std::sregex_iterator(); ++it)
            codes.insert((*it)[1]);
    }
    return codes;
}

// The 15.0 country codes are ISO 3166 alpha-3 codes, a former country keeping
// its withdrawn code: each retired 14.0 code becomes one of them, each a
// country of its own.
TEST_F(GeneralRules, EachRetiredCountryCodeGetsAnIsoSuccessor) {
    const std::set<std::string> iso = iso_3166_codes();
    if (iso.empty()) GTEST_SKIP() << "no ISO 3166 codes in " NAACCR_ISO_CODES_DIR " (Debian package iso-codes)";
    std::set<std::string> successors;
    for (const char* retired : {"BND", "XCZ", "SWK", "VLT", "XYG"}) {
        RecordBuilder r = quiet_record();
        r.set(field::kFollowupContactCountry, retired);
        run(r);
        const std::string successor(r.get(field::kFollowupContactCountry));
        EXPECT_EQ(iso.count(successor), 1u) << retired << " became " << successor;
        EXPECT_TRUE(successors.insert(successor).second) << retired << " became " << successor << " as another did";
        expect_record(r, {{field::kFollowupContactCountry, successor}});
    }
    EXPECT_EQ(store_.conversions_count(), 5);
}

TEST_F(GeneralRules, CountryCodesOutsideTheMapStay) {
    for (const char* code : {"xyg", "X G", "XY ", "BRN", "YUG", "   "}) {
        RecordBuilder r = quiet_record();
        r.set(field::kAddrAtDxCountry, code);
        run(r);
        expect_record(r, {});
    }
    EXPECT_TRUE(conversion_rows(store_).empty());
    EXPECT_EQ(store_.conversions_count(), 0);
}

TEST(ConvertCountryCode, WorksAtAnyColumnAndRefusesColumnsOutsideTheRecord) {
    RecordBuilder r;
    r.set_at(22821, "VLT").set_at(99, "SWK");
    EXPECT_TRUE(convert_country_code(22822, r.span()));
    EXPECT_EQ(r.str().substr(22821), "VUT");
    EXPECT_TRUE(convert_country_code(100, r.span()));
    EXPECT_EQ(r.str().substr(99, 3), "SVK");
    const std::string kept = r.str();
    for (int column : {0, -1, -100000, 22823, 22824, 1 << 30}) EXPECT_FALSE(convert_country_code(column, r.span()));
    EXPECT_EQ(r.str(), kept);
}

TEST_F(GeneralRules, EveryRecordGetsVersionAndBlankBlockAndNothingElse) {
    RecordBuilder r = quiet_record(77);
    r.set(field::kDiagnosisYear, "    ");
    EXPECT_EQ(run(r), 0);
    expect_record(r, {});
    EXPECT_EQ(r.get(field::kReservedSurvivalBlock), std::string(34, ' '));
    EXPECT_EQ(restage_, 0);
    EXPECT_EQ(review_, 0);
    EXPECT_TRUE(conversion_rows(store_).empty());
}

TEST_F(GeneralRules, RetiredHistology8157WithBehavior1Or3InAnyYear) {
    for (const char* behavior : {"1", "3"}) {
        for (const char* year : {"2014", "1990", "    "}) {
            RecordBuilder r = quiet_record();
            r.set(field::kHistology, "8157").set(field::kBehavior, behavior).set(field::kDiagnosisYear, year);
            run(r);
            expect_record(r, {{field::kHistology, "8152"}});
        }
    }
    const auto rows = conversion_rows(store_);
    ASSERT_EQ(rows.size(), 6u);
    for (const auto& row : rows) {
        EXPECT_EQ(row.type, "misc. histology");
        EXPECT_EQ(row.v14_hist + row.v14_grade + row.v14_site + "|" + row.v14_country, "81579C619|");
        EXPECT_EQ(row.v15_hist + row.v15_grade + row.v15_site + "|" + row.v15_country, "81529C619|");
    }
    for (const char* behavior : {"2", "0", " "}) {
        RecordBuilder r = quiet_record();
        r.set(field::kHistology, "8157").set(field::kBehavior, behavior);
        run(r);
        expect_record(r, {});
    }
    EXPECT_EQ(store_.conversions_count(), 6);
}

TEST_F(GeneralRules, HematopoieticRulesRunFrom2010WithBehavior3Only) {
    struct Case { const char* year; const char* behavior; bool runs; };
    for (const Case c : {Case{"2009", "3", false}, Case{"2010", "3", true}, Case{"2024", "3", true},
                         Case{"    ", "3", false}, Case{"20 4", "3", false}, Case{"2014", "2", false},
                         Case{"2014", "1", false}}) {
        RecordBuilder r = quiet_record();
        r.set(field::kHistology, "9800").set(field::kGrade, "2").set(field::kPrimarySite, "C421")
            .set(field::kDiagnosisYear, c.year).set(field::kBehavior, c.behavior);
        run(r);
        expect_record(r, c.runs ? Writes{{field::kGrade, "9"}} : Writes{});
    }
    EXPECT_EQ(store_.conversions_count(), 2);
}

TEST_F(GeneralRules, FlagsOfTheHematopoieticRulesComeBack) {
    RecordBuilder r = quiet_record();
    r.set(field::kHistology, "9590").set(field::kGrade, "3").set(field::kPrimarySite, "C420");
    run(r);
    EXPECT_EQ(restage_, 0);
    EXPECT_EQ(review_, 1);
    r = quiet_record();
    r.set(field::kHistology, "9670").set(field::kGrade, "1").set(field::kPrimarySite, "C420");
    run(r);
    EXPECT_EQ(restage_, 1);
    EXPECT_EQ(review_, 0);
}

// The new Grade follows the higher of the known Gleason scores.
char grade_from_scores(const std::string& a, const std::string& b) {
    auto score = [](const std::string& s) -> int {
        if (s == "998" || s == "999") return 0;
        for (int v = 2; v <= 10; ++v) {
            char text[4];
            std::snprintf(text, sizeof text, "%03d", v);
            if (s == text) return v;
        }
        return -1;
    };
    const int x = score(a), y = score(b);
    if (x < 0 || y < 0 || (x == 0 && y == 0)) return 0;
    const int high = std::max(x, y);
    return high <= 6 ? '1' : high == 7 ? '2' : '3';
}

TEST_F(GeneralRules, ProstateGradeOverEveryPairOfScores) {
    const std::vector<std::string> scores = {"002", "003", "005", "006", "007", "008", "009", "010", "998", "999",
                                             "000", "001", "011", "   ", "02 ", "0 7", "7  ", "A07", "100", "997"};
    int logged = 0;
    for (const std::string& a : scores) {
        for (const std::string& b : scores) {
            RecordBuilder r = quiet_record();
            r.set(field::kCsSsf8, a).set(field::kCsSsf10, b).set(field::kGrade, "9");
            run(r, kProstate);
            const char grade = grade_from_scores(a, b);
            SCOPED_TRACE(a + "/" + b);
            expect_record(r, grade ? Writes{{field::kGrade, std::string_view(&grade, 1)}} : Writes{});
            logged += grade ? 1 : 0;
        }
    }
    const auto rows = conversion_rows(store_);
    ASSERT_EQ(static_cast<int>(rows.size()), logged);
    EXPECT_EQ(rows[0].type, "prostate grade");
    EXPECT_EQ(rows[0].v14_hist + rows[0].v14_grade + rows[0].v14_site, "81409C619");
    EXPECT_EQ(rows[0].v15_hist + rows[0].v15_grade + rows[0].v15_site, "81401C619");
}

TEST_F(GeneralRules, ProstateGradeNeeds2014AndTheProstateSchemaAndANewValue) {
    RecordBuilder r = quiet_record();
    r.set(field::kCsSsf8, "007").set(field::kCsSsf10, "999");
    run(r, kProstate);
    expect_record(r, {{field::kGrade, "2"}});
    const auto rows = conversion_rows(store_);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].v14_grade + rows[0].v15_grade, "92");

    for (const auto& [year, schema] : {std::pair{"2013", kProstate}, std::pair{"    ", kProstate},
                                       std::pair{"2014", 119}, std::pair{"2014", 121}}) {
        r = quiet_record();
        r.set(field::kCsSsf8, "007").set(field::kCsSsf10, "999").set(field::kDiagnosisYear, year);
        run(r, schema);
        expect_record(r, {});
    }
    r = quiet_record();
    r.set(field::kCsSsf8, "007").set(field::kCsSsf10, "999").set(field::kGrade, "2");
    run(r, kProstate);
    expect_record(r, {});
    EXPECT_EQ(store_.conversions_count(), 1);
}

TEST_F(GeneralRules, RowsComeInRuleOrderAndTakeTheEntryValues) {
    // Country, then hematopoietic, then prostate grade.
    RecordBuilder r = quiet_record();
    r.set(field::kBirthplaceCountry, "BND").set(field::kHistology, "9800").set(field::kGrade, "1")
        .set(field::kPrimarySite, "C771").set(field::kCsSsf8, "007").set(field::kCsSsf10, "007");
    run(r, kProstate);
    auto rows = conversion_rows(store_);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].type, "Birthplace--Country");
    EXPECT_EQ(rows[0].v15_hist + rows[0].v15_grade + rows[0].v15_site, "98001C771");
    EXPECT_EQ(rows[1].type, "hematopoietic");
    EXPECT_EQ(rows[1].v15_hist + rows[1].v15_grade + rows[1].v15_site, "98009C421");
    EXPECT_EQ(rows[2].type, "prostate grade");
    EXPECT_EQ(rows[2].v14_hist + rows[2].v14_grade + rows[2].v14_site, "98001C771");
    EXPECT_EQ(rows[2].v15_hist + rows[2].v15_grade + rows[2].v15_site, "98002C771");
    expect_record(r, {{field::kBirthplaceCountry, "BRN"}, {field::kPrimarySite, "C421"},
                      {field::kRxSummSurgPrimSite, "98"}, {field::kRxSummScopeRegLnSur, "9"},
                      {field::kGrade, "2"}});

    // 8157 and then a prostate grade: the grade row shows the entry histology on both sides.
    ASSERT_EQ(store_.clear(), 0);
    r = quiet_record();
    r.set(field::kHistology, "8157").set(field::kCsSsf8, "008").set(field::kCsSsf10, "998");
    run(r, kProstate);
    rows = conversion_rows(store_);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].type, "misc. histology");
    EXPECT_EQ(rows[0].v14_hist + rows[0].v15_hist, "81578152");
    EXPECT_EQ(rows[1].type, "prostate grade");
    EXPECT_EQ(rows[1].v14_hist + rows[1].v14_grade + "|" + rows[1].v15_hist + rows[1].v15_grade, "81579|81573");
    expect_record(r, {{field::kHistology, "8152"}, {field::kGrade, "3"}});
}

}  // namespace
}  // namespace vexlin
