// The hematopoietic rule table against the rows as the conversion rules list
// them, transcribed here on their own: shape, grade class, sites, new histology.
#include "hematopoietic_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vexlin {
namespace {

struct Group {
    char shape;
    std::string grade_class;
    std::vector<std::string> sites;  // list names in the order given
    std::string new_histology;       // empty: none
    std::vector<std::string> codes;
};

const std::vector<Group>& published_groups() {
    static const std::vector<Group> groups = {
        {'R', "G9a", {"blood sites"}, "", {"9590", "9650", "9651", "9652", "9653", "9655", "9663", "9727", "9735", "9971"}},
        {'R', "G9a", {"blood sites"}, "9653", {"9654"}},
        {'R', "G9a", {"blood sites"}, "9650", {"9661", "9662"}},
        {'R', "G9a", {"blood sites"}, "9663", {"9664", "9665", "9667"}},
        {'R', "G9a", {"blood sites", "C421"}, "", {"9930"}},
        {'R', "G9b", {"blood sites"}, "", {"9740", "9751", "9755", "9756", "9757", "9758", "9759"}},
        {'R', "G9b", {"blood sites"}, "9751", {"9750", "9752", "9753", "9754"}},
        {'R', "G6", {"blood sites"}, "", {"9591", "9596", "9597", "9659", "9671", "9673", "9678", "9680", "9687",
                                          "9688", "9690", "9691", "9695", "9698", "9712", "9737", "9738"}},
        {'R', "G6", {"blood sites"}, "9690", {"9675"}},
        {'R', "G6", {"blood sites"}, "9680", {"9684"}},
        {'R', "G6", {"blood sites", "C422"}, "", {"9699"}},
        {'R', "G6", {"bone sites", "blood sites"}, "", {"9734"}},
        {'R', "G5", {"blood sites"}, "", {"9700", "9701", "9702", "9705", "9708", "9709", "9717", "9718", "9724",
                                          "9725", "9726"}},
        {'R', "G5x", {"blood sites"}, "", {"9714"}},
        {'R', "G8", {"blood sites"}, "", {"9719"}},
        {'Q', "G6", {"mediastinal sites"}, "", {"9679"}},
        {'Q', "G6", {"C422"}, "", {"9689"}},
        {'Q', "G5", {"C422"}, "", {"9716"}},
        {'Q', "G6", {"bone sites"}, "", {"9731"}},
        {'B', "G9a", {"C421"}, "", {"9800", "9840", "9860", "9861", "9863", "9865", "9866", "9867", "9869",
                                    "9870", "9871", "9872", "9873", "9874", "9891", "9895", "9896", "9897",
                                    "9898", "9910", "9911", "9920", "9931", "9965", "9966", "9967"}},
        {'B', "G9a", {"C421"}, "9920", {"9987"}},
        {'B', "G9b", {"C421"}, "", {"9741", "9742", "9801", "9806", "9807", "9808", "9809", "9875", "9876",
                                    "9945", "9946", "9950", "9961", "9962", "9963", "9964", "9975", "9980",
                                    "9982", "9983", "9985", "9986", "9989", "9991", "9992"}},
        {'B', "G9b", {"C421"}, "9975", {"9960"}},
        {'B', "G9b", {"C421"}, "9983", {"9984"}},
        {'B', "G9b", {"C421"}, "9809", {"9805"}},
        {'B', "G6", {"C421"}, "", {"9732", "9940"}},
        {'B', "G6", {"C420"}, "", {"9761"}},
        {'B', "G8", {"C421"}, "", {"9948"}},
        {'C', "G6", {"blood sites"}, "", {"9811", "9812", "9813", "9814", "9815", "9816", "9817", "9818", "9823"}},
        {'C', "G5", {"blood sites"}, "", {"9827", "9837"}},
        {'D', "G6", {"C421", "blood sites"}, "9823", {"9670"}},
        {'D', "G6", {"C421", "blood sites"}, "9811", {"9728"}},
        {'D', "G5", {"C421", "blood sites"}, "9837", {"9729"}},
        {'E', "G9a", {"C421", "adnexa sites"}, "", {"9820", "9832"}},
        {'E', "G9x", {"C421", "adnexa sites"}, "", {"9831"}},
        {'E', "G6", {"C421", "adnexa sites"}, "", {"9826", "9833"}},
        {'E', "G5", {"C421", "adnexa sites"}, "", {"9834"}},
        {'F', "G6", {"C421", "blood sites", "adnexa sites"}, "9811", {"9835", "9836"}},
        {'G', "G6", {"C421", "adnexa sites"}, "9732", {"9733"}},
        {'H', "G6", {"blood sites"}, "9762", {"9760", "9764"}},
        {'I', "G6", {"blood sites"}, "", {"9762"}},
    };
    return groups;
}

char shape_letter(Shape s) { return "RQBCDEFGHI"[static_cast<int>(s)]; }

std::vector<std::string> site_names(const SiteSet& sites) {
    std::vector<std::string> names;
    for (const SiteList* l : sites.lists)
        if (l) names.emplace_back(l->name);
    return names;
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

TEST(RuleTable, EveryPublishedCodeIsPresentWithItsGroup) {
    std::size_t published = 0;
    for (const Group& g : published_groups()) {
        for (const std::string& code : g.codes) {
            ++published;
            const HematopoieticRule* rule = find_hematopoietic_rule(code);
            ASSERT_NE(rule, nullptr) << code;
            EXPECT_EQ(rule->histology, code);
            EXPECT_EQ(shape_letter(rule->shape), g.shape) << code;
            EXPECT_EQ(grade_class_rule(rule->grade_class).name, g.grade_class) << code;
            EXPECT_EQ(site_names(rule->sites), g.sites) << code;
            EXPECT_EQ(rule->new_histology, g.new_histology) << code;
        }
    }
    EXPECT_EQ(published, 151u);
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

TEST(GradeClasses, ConvertAndKeepAsListed) {
    const std::map<std::string, std::pair<std::string, char>> published = {
        {"G9a", {"1234", '9'}},     {"G9b", {"12345678", '9'}}, {"G9x", {"123467", '9'}},
        {"G6", {"12345789", '6'}},  {"G5", {"12346789", '5'}},  {"G5x", {"1234789", '5'}},
        {"G8", {"12345679", '8'}},
    };
    for (const GradeClassRule& c : kGradeClasses) {
        const auto& [convertible, target] = published.at(std::string(c.name));
        EXPECT_EQ(c.target, target) << c.name;
        for (int ch = 1; ch < 128; ++ch) {
            const bool expected = convertible.find(static_cast<char>(ch)) != std::string::npos;
            EXPECT_EQ(is_convertible_grade(c.id, static_cast<char>(ch)), expected) << c.name << " '" << char(ch) << "'";
        }
    }
}

}  // namespace
}  // namespace vexlin
