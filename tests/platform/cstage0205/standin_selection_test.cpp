// The stand-in's schema selection through its exported entry points.
#include <cstdio>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "cstage0205.h"

namespace {

struct SelectionCase {
    const char* site;
    const char* histology;
    const char* ssf25;
    int expected;          // schema number, failure code, or kNamed
    const char* name;      // expected name of a valid schema
};

// A valid schema known by its name only (its number is the stand-in's own).
constexpr int kNamed = 0;

class StandInSelectionTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(StandInSelectionTest, SelectsFromTheTables) {
    const SelectionCase& c = GetParam();
    const int number = CStage_get_schema_number(c.site, c.histology, c.ssf25);
    if (c.expected == kNamed) {
        EXPECT_GE(number, 1) << c.site << " " << c.histology << " '" << c.ssf25 << "'";
    } else {
        EXPECT_EQ(number, c.expected) << c.site << " " << c.histology << " '" << c.ssf25 << "'";
    }
    if (c.name) {
        ASSERT_NE(CStage_get_schema_name(number), nullptr);
        EXPECT_STREQ(CStage_get_schema_name(number), c.name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    PublishedNumbers, StandInSelectionTest,
    ::testing::Values(SelectionCase{"C619", "8140", "   ", 121, "Prostate"},
                      SelectionCase{"C421", "9731", "   ", 152, "MyelomaPlasmaCellDisorder"},
                      SelectionCase{"C421", "9732", "   ", 152, "MyelomaPlasmaCellDisorder"},
                      SelectionCase{"C400", "9734", "   ", 152, "MyelomaPlasmaCellDisorder"},
                      SelectionCase{"C779", "9680", "   ", 150, "Lymphoma"},
                      SelectionCase{"C421", "9590", "   ", 150, "Lymphoma"},
                      SelectionCase{"C421", "9729", "   ", 150, "Lymphoma"},
                      SelectionCase{"C421", "9735", "   ", 150, "Lymphoma"},
                      SelectionCase{"C421", "9733", "   ", 151, "HemeRetic"},
                      SelectionCase{"C421", "9863", "   ", 151, "HemeRetic"},
                      SelectionCase{"C420", "9992", "   ", 151, "HemeRetic"},
                      // A hematopoietic histology needs no discriminator.
                      SelectionCase{"C160", "9680", "   ", 150, "Lymphoma"}));

INSTANTIATE_TEST_SUITE_P(
    Failures, StandInSelectionTest,
    ::testing::Values(SelectionCase{"C430", "8140", "   ", -1001, nullptr},   // no category C43
                      SelectionCase{"C197", "8140", "   ", -1001, nullptr},   // C19 has subsite 9 only
                      SelectionCase{"C808", "8140", "   ", -1001, nullptr},
                      SelectionCase{"C18A", "8140", "   ", -1001, nullptr},
                      SelectionCase{"X619", "8140", "   ", -1001, nullptr},
                      SelectionCase{"    ", "8140", "   ", -1001, nullptr},
                      SelectionCase{"C61", "8140", "   ", -1001, nullptr},
                      SelectionCase{"C6190", "8140", "   ", -1001, nullptr},
                      SelectionCase{"C619", "7999", "   ", -1000, nullptr},
                      SelectionCase{"C619", "9585", "   ", -1000, nullptr},
                      SelectionCase{"C619", "9993", "   ", -1000, nullptr},
                      SelectionCase{"C619", "81 0", "   ", -1000, nullptr},
                      SelectionCase{"C619", "    ", "   ", -1000, nullptr},
                      // Bone marrow and blood take hematopoietic histologies only.
                      SelectionCase{"C421", "8140", "   ", -1000, nullptr},
                      // An invalid site is reported before an invalid histology.
                      SelectionCase{"C999", "0000", "   ", -1001, nullptr}));

INSTANTIATE_TEST_SUITE_P(
    Discriminators, StandInSelectionTest,
    ::testing::Values(SelectionCase{"C160", "8140", "982", kNamed, "EsophagusGEJunction"},
                      SelectionCase{"C160", "8140", "040", kNamed, "EsophagusGEJunction"},
                      SelectionCase{"C160", "8140", "000", kNamed, "Stomach"},
                      SelectionCase{"C162", "8140", "999", kNamed, "Stomach"},
                      SelectionCase{"C160", "8140", "010", -1002, nullptr},
                      SelectionCase{"C160", "8140", "   ", -1002, nullptr},
                      SelectionCase{"C161", "8140", "020", -1002, nullptr},
                      SelectionCase{"C111", "8070", "010", kNamed, "PharyngealTonsil"},
                      SelectionCase{"C111", "8070", "981", kNamed, "Nasopharynx"},
                      SelectionCase{"C111", "8070", "   ", -1002, nullptr},
                      SelectionCase{"C163", "8140", "   ", kNamed, "Stomach"}));

INSTANTIATE_TEST_SUITE_P(
    HistologyRows, StandInSelectionTest,
    ::testing::Values(SelectionCase{"C445", "8720", "   ", kNamed, "MelanomaSkin"},
                      SelectionCase{"C619", "8720", "   ", kNamed, "Prostate"},  // no melanoma schema there
                      SelectionCase{"C693", "8720", "   ", kNamed, "MelanomaChoroid"},
                      SelectionCase{"C169", "8936", "   ", kNamed, "GISTStomach"},
                      SelectionCase{"C447", "8247", "   ", kNamed, "MerkelCellSkin"},
                      SelectionCase{"C181", "8240", "   ", kNamed, "CarcinoidAppendix"},
                      SelectionCase{"C180", "8240", "   ", kNamed, "NETColon"},
                      SelectionCase{"C540", "8933", "   ", kNamed, "CorpusAdenosarcoma"},
                      SelectionCase{"C541", "8890", "   ", kNamed, "CorpusSarcoma"},
                      SelectionCase{"C541", "8140", "   ", kNamed, "CorpusCarcinoma"},
                      SelectionCase{"C619", "9140", "   ", kNamed, "KaposiSarcoma"},
                      SelectionCase{"C809", "8000", "   ", kNamed, "IllDefinedOther"}));

TEST(StandInSchemas, NamesCoverEveryNumberOnce) {
    EXPECT_EQ(CStage_get_number_of_schemas(), 153);
    std::set<std::string> names;
    for (int n = 1; n <= 153; ++n) {
        const char* name = CStage_get_schema_name(n);
        ASSERT_NE(name, nullptr) << n;
        EXPECT_GT(std::string(name).size(), 0u);
        EXPECT_LT(std::string(name).size(), 40u) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 153u);
    EXPECT_EQ(CStage_get_schema_name(0), nullptr);
    EXPECT_EQ(CStage_get_schema_name(154), nullptr);
    EXPECT_EQ(CStage_get_schema_name(-1001), nullptr);
}

// Every valid topography code selects a schema for an adenocarcinoma, apart
// from the sites that take hematopoietic histologies only and those that
// need a discriminator.
TEST(StandInSchemas, EveryValidSiteHasASchema) {
    for (int code = 0; code <= 999; ++code) {
        char site[5];
        std::snprintf(site, sizeof site, "C%03d", code);
        const int number = CStage_get_schema_number(site, "8140", "999");
        if (number == -1001) continue;
        if (code >= 420 && code <= 424) {
            EXPECT_EQ(number, -1000) << site;
        } else {
            EXPECT_GE(number, 1) << site;
            EXPECT_LE(number, 153) << site;
        }
    }
}

TEST(StandInSchemas, NullTextsFailWithoutCrashing) {
    EXPECT_EQ(CStage_get_schema_number(nullptr, "8140", "   "), -1001);
    EXPECT_EQ(CStage_get_schema_number("C619", nullptr, "   "), -1000);
    EXPECT_EQ(CStage_get_schema_number("C619", "8140", nullptr), 121);
    EXPECT_EQ(CStage_get_schema_number("C160", "8140", nullptr), -1002);
}

TEST(StandInIdentity, VersionAndTimestampSayItIsAStandIn) {
    const std::string version = CStage_get_version();
    const std::string timestamp = CStage_get_timestamp();
    EXPECT_EQ(version.substr(0, 6), "000000");
    EXPECT_NE(version.find("stand-in"), std::string::npos);
    EXPECT_NE(timestamp.find("stand-in"), std::string::npos);
    EXPECT_LE(timestamp.size(), 63u);
}

}  // namespace
