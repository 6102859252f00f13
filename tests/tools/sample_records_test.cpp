// SPDX-License-Identifier: Apache-2.0
// The sample generator: deterministic, well-formed NAACCR 14.0 records, and a
// case mix that reaches every conversion rule.
#include "sample_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cstage0205.h"
#include "entry_points.h"
#include "field_map.h"
#include "record.h"

namespace {

namespace f = vexlin::field;

constexpr std::uint64_t kRecords = 3000;

std::string_view item(const std::string& record, vexlin::Field field) {
    return vexlin::get_field(vexlin::ConstRecordSpan(record.data(), vexlin::kRecordLength), field);
}

int year_of(const std::string& record) { return std::stoi(std::string(item(record, f::kDiagnosisYear))); }

TEST(SampleRecords, SameSeedSameRecordsOtherSeedOthers) {
    for (std::uint64_t i : {0u, 1u, 999u}) EXPECT_EQ(sample::make_record(5, i), sample::make_record(5, i));
    int differing = 0;
    for (std::uint64_t i = 0; i < 20; ++i) differing += sample::make_record(5, i) != sample::make_record(6, i);
    EXPECT_GE(differing, 18);
    EXPECT_NE(sample::make_record(5, 0), sample::make_record(5, 1));
}

TEST(SampleRecords, EveryRecordIsAFullVersion140AbstractOfPrintableCharacters) {
    for (std::uint64_t i = 0; i < 500; ++i) {
        const std::string r = sample::make_record(3, i);
        ASSERT_EQ(r.size(), vexlin::kRecordLength);
        EXPECT_EQ(item(r, f::kRecordType), "A");
        EXPECT_EQ(item(r, f::kRecordVersion), "140");
        for (char c : r) ASSERT_TRUE(c >= 32 && c <= 126) << i;
        const std::string_view date = item(r, f::kDateOfDiagnosis);
        for (char c : date) ASSERT_TRUE(c >= '0' && c <= '9') << date;
    }
}

TEST(SampleRecords, CaseMixReachesEveryRuleFamily) {
    std::set<std::string> retired_items, prostate_ssf8, hematopoietic_sites, hematopoietic_histologies, grades;
    std::map<char, int> behaviors_8157;
    int invalid_site_2004 = 0, prostate_2014 = 0, cs_version_020550 = 0, reserved_text = 0;
    const std::set<std::string> retired = {"BND", "XCZ", "SWK", "VLT", "XYG"};
    const std::pair<const char*, vexlin::Field> countries[] = {{"dx", f::kAddrAtDxCountry},
                                                               {"current", f::kAddrCurrentCountry},
                                                               {"birth", f::kBirthplaceCountry},
                                                               {"followup", f::kFollowupContactCountry},
                                                               {"death", f::kPlaceOfDeathCountry}};
    for (std::uint64_t i = 0; i < kRecords; ++i) {
        const std::string r = sample::make_record(1, i);
        for (const auto& [name, field] : countries)
            if (retired.count(std::string(item(r, field)))) retired_items.insert(name);
        const std::string histology(item(r, f::kHistology)), site(item(r, f::kPrimarySite));
        const char behavior = item(r, f::kBehavior)[0];
        if (histology == "8157") ++behaviors_8157[behavior];
        if (site == "C619" && year_of(r) >= 2014) {
            ++prostate_2014;
            prostate_ssf8.insert(std::string(item(r, f::kCsSsf8)));
        }
        if (histology >= "9590" && histology <= "9992" && behavior == '3' && year_of(r) >= 2010) {
            hematopoietic_sites.insert(site);
            hematopoietic_histologies.insert(histology);
            grades.insert(std::string(item(r, f::kGrade)));
        }
        if (site == "C999" && year_of(r) >= 2004) ++invalid_site_2004;
        cs_version_020550 += item(r, f::kCsVersionInputCurrent) == "020550";
        reserved_text += item(r, f::kReservedSurvivalBlock).find_first_not_of(' ') != std::string_view::npos;
    }
    EXPECT_EQ(retired_items.size(), 5u);
    EXPECT_GT(behaviors_8157['1'], 0);
    EXPECT_GT(behaviors_8157['3'], 0);
    EXPECT_GT(prostate_2014, 100);
    for (const char* score : {"002", "006", "007", "008", "010", "998", "999"}) EXPECT_TRUE(prostate_ssf8.count(score)) << score;
    for (const char* site : {"C420", "C421", "C423", "C424", "C695", "C771"})
        EXPECT_TRUE(hematopoietic_sites.count(site)) << site;
    EXPECT_GT(hematopoietic_histologies.size(), 100u);
    EXPECT_GE(grades.size(), 10u);
    EXPECT_GT(invalid_site_2004, 0);
    EXPECT_GT(cs_version_020550, static_cast<int>(kRecords / 3));
    EXPECT_GT(reserved_text, 0);
}

// Staged records go through the Collaborative Stage library as the
// conversion stages them: schema from site, histology and SSF25, then the
// record's inputs moved to a data card and calculated.
TEST(SampleRecords, StagedRecordsDeriveStageWithoutProblems) {
    constexpr std::uint64_t kStagingRecords = 2000;
    std::vector<char> card(CSTAGE_DATACARD_SIZE);
    int staged = 0, derived = 0, failure_kind_with_schema = 0;
    std::map<std::string, int> not_derived_by_kind;
    for (std::uint64_t i = 0; i < kStagingRecords; ++i) {
        const std::string r = sample::make_record(2015, i);
        const std::string site(item(r, f::kPrimarySite)), histology(item(r, f::kHistology)),
            ssf25(item(r, f::kCsSsf25));
        const bool has_schema = cstage::schema_number(site.c_str(), histology.c_str(), ssf25.c_str()) > 0;
        const sample::CaseKind kind = sample::case_kind(2015, i);
        failure_kind_with_schema += kind == sample::CaseKind::schema_failure && has_schema;
        if (year_of(r) < 2004 || !has_schema) continue;
        ++staged;
        ASSERT_EQ(cstage::move_naaccr_to_datacard(card.data(), r.data()), 0);
        if (cstage::calculate(card.data()) == 0)
            ++derived;
        else
            ++not_derived_by_kind[std::string(sample::case_kind_name(kind))];
    }
    // Solid, prostate and hematopoietic cases make most of the file.
    EXPECT_GT(staged, static_cast<int>(kStagingRecords * 7 / 10));
    const double share = static_cast<double>(derived) / staged;
    std::string by_kind;
    for (const auto& [kind, n] : not_derived_by_kind) by_kind += " " + kind + ": " + std::to_string(n) + ";";
    EXPECT_GT(share, 0.90) << derived << " of " << staged << " staged records derived; not derived by kind:" << by_kind;
    EXPECT_EQ(failure_kind_with_schema, 0);
}

// Problem staging keeps the schema that the valid inputs select and puts
// codes it does not know in about a dozen of its other inputs: every staged
// record reports about a dozen reasons, and the reasons differ from record to
// record rather than repeating a few texts.
TEST(SampleRecords, ProblemStagingGivesEveryStagedRecordADozenVariedReasons) {
    constexpr std::uint64_t kProblemRecords = 600;
    std::vector<char> card(CSTAGE_DATACARD_SIZE);
    int staged = 0, fewest = 100;
    long lines = 0;
    std::set<std::string> distinct;
    for (std::uint64_t i = 0; i < kProblemRecords; ++i) {
        const std::string r = sample::make_record(2015, i, sample::Staging::problems);
        ASSERT_EQ(r, sample::make_record(2015, i, sample::Staging::problems));
        const std::string valid = sample::make_record(2015, i);
        const auto schema = [](const std::string& record) {
            const std::string site(item(record, f::kPrimarySite)), histology(item(record, f::kHistology)),
                ssf25(item(record, f::kCsSsf25));
            return cstage::schema_number(site.c_str(), histology.c_str(), ssf25.c_str());
        };
        ASSERT_EQ(schema(r), schema(valid)) << i;
        if (year_of(r) < 2004 || schema(r) <= 0) continue;
        ++staged;
        cstage::move_naaccr_to_datacard(card.data(), r.data());
        ASSERT_EQ(cstage::calculate(card.data()), 1) << i;
        const std::string message(card.data() + CSTAGE_DC_MESSAGE);
        int record_lines = 0;
        for (std::size_t at = 0, end; (end = message.find('\n', at)) != std::string::npos; at = end + 1, ++record_lines)
            distinct.insert(message.substr(at, end - at));
        lines += record_lines;
        fewest = std::min(fewest, record_lines);
    }
    EXPECT_GT(staged, static_cast<int>(kProblemRecords * 7 / 10));
    const double average = static_cast<double>(lines) / staged;
    EXPECT_GE(average, 11.0);
    EXPECT_LE(average, 14.0);
    EXPECT_GE(fewest, 8);
    EXPECT_GT(static_cast<double>(distinct.size()), 0.8 * static_cast<double>(lines));
}

// The items that a case kind is about are written before the staging inputs
// and kept by them: Gleason scores outside the grade table, hematopoietic
// grades, and no staging inputs at all before 2004.
TEST(SampleRecords, StagingInputsLeaveEachKindsOwnItems) {
    std::set<std::string> prostate_ssf10, hematopoietic_grades, old_extensions;
    for (std::uint64_t i = 0; i < 1500; ++i) {
        const std::string r = sample::make_record(9, i);
        switch (sample::case_kind(9, i)) {
        case sample::CaseKind::prostate: prostate_ssf10.insert(std::string(item(r, f::kCsSsf10))); break;
        case sample::CaseKind::hematopoietic: hematopoietic_grades.insert(std::string(item(r, f::kGrade))); break;
        case sample::CaseKind::before_2004: old_extensions.insert(std::string(item(r, f::kCsExtension))); break;
        default: break;
        }
    }
    for (const char* score : {"000", "002", "998"}) EXPECT_TRUE(prostate_ssf10.count(score)) << score;
    for (const char* grade : {" ", "0", "9"}) EXPECT_TRUE(hematopoietic_grades.count(grade)) << "'" << grade << "'";
    EXPECT_EQ(old_extensions, std::set<std::string>{"   "});
}

}  // namespace
