// SPDX-License-Identifier: Apache-2.0
// The hematopoietic rule table: one row per code, its four rows that differ
// from their shape, the lookup, the grade classes, and every case a row
// converts held to the published Collaborative Stage tables.
#include "hematopoietic_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cstage0205.h"
#include "hematopoietic_rules.h"
#include "rules_test_support.h"

namespace vexlin {
namespace {

// A record of one row's histology at a site with a grade, diagnosed 2014 with
// behavior 3; every other item blank.
test::RecordBuilder heme_case(std::string_view histology, std::string_view site, char grade) {
    test::RecordBuilder r = test::typical_record();
    r.set(field::kHistology, histology).set(field::kPrimarySite, site).set(field::kGrade, std::string(1, grade));
    return r;
}

// The message the published Collaborative Stage tables give for a record.
std::string stage_message(const std::string& record) {
    std::vector<char> card(CSTAGE_DATACARD_SIZE);
    if (CStage_move_naaccr_to_datacard(card.data(), record.data()) != 0) return "(move failed)";
    CStage_calculate(card.data());
    const char* message = card.data() + CSTAGE_DC_MESSAGE;
    return std::string(message, strnlen(message, CSTAGE_DC_MESSAGE_SIZE));
}

TEST(RuleTable, HoldsOneRowPerCodeWithDistinctCodes) {
    const auto table = hematopoietic_rule_table();
    EXPECT_EQ(table.size(), 151u);
    std::set<std::string_view> codes;
    for (const HematopoieticRule& rule : table) {
        EXPECT_TRUE(codes.insert(rule.histology).second) << "listed twice: " << rule.histology;
        EXPECT_GE(rule.histology, "9590");
        EXPECT_LE(rule.histology, "9992");
    }
}

// What the rules write, held to the published Collaborative Stage tables,
// which know every ICD-O-3 histology and site code and every code of the
// stage inputs: each converted case's site and histology are codes a schema
// takes (or would, given SSF25), and its calculation finds no input invalid (the blank inputs the rules leave alone are told
// otherwise). No converted case keeps a differentiation grade (1-4), and a
// converted case converted again stays as it is.
TEST(RuleTable, EveryCaseARowConvertsIsAValid15Case) {
    ResultsStore store = ResultsStore::in_memory();
    int staged = 0;
    for (const HematopoieticRule& rule : hematopoietic_rule_table()) {
        for (const char* site : {"C421", "C420", "C423", "C424", "C422", "C400", "C379", "C695", "C000"}) {
            for (const char grade : {'1', '5', '6', '8', '9', ' '}) {
                test::RecordBuilder r = heme_case(rule.histology, site, grade);
                unsigned char restage = 0, review = 0;
                apply_hematopoietic_rules(store, 1, r.span(), restage, review);
                const std::string histology(r.get(field::kHistology)), placed(r.get(field::kPrimarySite));
                SCOPED_TRACE(std::string(rule.histology) + " at " + site + " grade '" + grade + "': " + histology +
                             " at " + placed + " grade '" + std::string(r.get(field::kGrade)) + "'");
                const int schema = CStage_get_schema_number(placed.c_str(), histology.c_str(), "988");
                EXPECT_NE(schema, CSTAGE_NO_SCHEMA_FOR_SITE);
                EXPECT_NE(schema, CSTAGE_NO_SCHEMA_FOR_HISTOLOGY);
                EXPECT_EQ(std::string_view("1234").find(r.get(field::kGrade)), std::string_view::npos);
                const std::string message = stage_message(r.str());
                EXPECT_EQ(message.find("Invalid"), std::string::npos) << message;
                staged += restage;

                store.clear();
                const std::string once = r.str();
                apply_hematopoietic_rules(store, 1, r.span(), restage, review);
                EXPECT_EQ(test::differing_offsets(r.str(), once), "") << "converted again";
                EXPECT_EQ(store.conversions_count(), 0) << "converted again";
            }
        }
    }
    EXPECT_GT(staged, 100) << "cases whose stage inputs were written";
}

TEST(RuleTable, OnlyTheFourKnownRowsDifferFromTheirShape) {
    std::map<std::string, RowDifference> differing;
    for (const HematopoieticRule& rule : hematopoietic_rule_table()) {
        const RowDifference& d = rule.difference;
        if (d.at != SubRule::none || d.placement_site_only) differing.emplace(rule.histology, d);
    }
    ASSERT_EQ(differing.size(), 4u);
    EXPECT_TRUE(differing.at("9805").placement_site_only);
    EXPECT_EQ(differing.at("9687").at, SubRule::R3);
    EXPECT_EQ(differing.at("9836").at, SubRule::F3);
    EXPECT_EQ(differing.at("9764").at, SubRule::H2);
}

TEST(RuleTable, LookupIsExactOverFourCharacters) {
    for (const char* outside : {"9589", "9993", "9594", "9999", "0000", " 959", "959 ", "959", "95900", ""}) {
        EXPECT_EQ(find_hematopoietic_rule(outside), nullptr) << '"' << outside << '"';
    }
    EXPECT_EQ(find_hematopoietic_rule(std::string_view("9590\0", 5)), nullptr);
    ASSERT_NE(find_hematopoietic_rule("9992"), nullptr);
}

// A grade class keeps its target and the cell-lineage grades (5 to 8) it
// names; every differentiation grade (1 to 4) and an unknown grade (9) that
// is not its target it converts, and nothing that is no grade code.
TEST(GradeClasses, ConvertEveryGradeButTheirTargetAndTheLineagesTheyKeep) {
    for (const GradeClassRule& c : kGradeClasses) {
        EXPECT_GE(c.target, '5') << c.name;
        EXPECT_LE(c.target, '9') << c.name;
        for (int ch = 1; ch < 256; ++ch) {
            const char grade = static_cast<char>(ch);
            const bool code = grade >= '1' && grade <= '9';
            const bool lineage = grade >= '5' && grade <= '8';
            if (!code || grade == c.target) {
                EXPECT_FALSE(is_convertible_grade(c.id, grade)) << c.name << " " << ch;
            } else if (!lineage) {
                EXPECT_TRUE(is_convertible_grade(c.id, grade)) << c.name << " '" << grade << "'";
            }
        }
    }
}

}  // namespace
}  // namespace vexlin
