// SPDX-License-Identifier: Apache-2.0
// Schema selection through the bridge: the inputs handed to the library, the
// esophagogastric junction override and the schema name.
#include <string>

#include <gtest/gtest.h>

#include "cs_bridge.h"
#include "scriptable_cs.h"

namespace vexlin::test {
namespace {

using cstage_scriptable::call_log;

class CsBridgeTest : public ScriptableCsTest {};

TEST_F(CsBridgeTest, StartsUndetermined) {
    const CsBridge bridge;
    EXPECT_EQ(bridge.schema_number(), -1);
    EXPECT_EQ(bridge.schema_index(), -2);
    EXPECT_FALSE(bridge.has_valid_schema());
    EXPECT_EQ(bridge.schema_name(), "Not Determined");
    EXPECT_EQ(bridge.site_text(), "    ");
    EXPECT_EQ(bridge.ssf25_text(), "   ");
    EXPECT_EQ(bridge.site_number(), -1);
}

TEST_F(CsBridgeTest, PassesTheRecordTextsAsTheyStand) {
    CsBridge bridge;
    bridge.select_schema("2014", "C619", "8140", "   ");
    EXPECT_EQ(call_log().last_site, "C619");
    EXPECT_EQ(call_log().last_histology, "8140");
    EXPECT_EQ(call_log().last_ssf25, "   ");
    EXPECT_EQ(bridge.schema_number(), 121);
    EXPECT_EQ(bridge.schema_index(), 120);
    EXPECT_EQ(bridge.schema_name(), "Prostate");
    EXPECT_EQ(bridge.year_text(), "2014");
    EXPECT_EQ(bridge.year_number(), 2014);
    EXPECT_EQ(bridge.site_number(), 619);
    EXPECT_EQ(bridge.histology_number(), 8140);
    EXPECT_EQ(bridge.ssf25_number(), 0);
    // The schema count is asked once per selection.
    EXPECT_EQ(call_log().number_of_schemas_calls, 1);
}

TEST_F(CsBridgeTest, JunctionCaseIsStagedWithDiscriminator982) {
    CsBridge bridge;
    bridge.select_schema("2014", "C160", "8140", "010");
    EXPECT_EQ(call_log().last_ssf25, "982");
    EXPECT_EQ(bridge.ssf25_text(), "982");
    EXPECT_EQ(bridge.ssf25_number(), 982);
    EXPECT_EQ(bridge.schema_name(), "EsophagusGEJunction");
}

struct OverrideCase {
    const char* site;
    const char* histology;
    const char* ssf25;
    bool overridden;
};

class JunctionOverrideTest : public ScriptableCsTest, public ::testing::WithParamInterface<OverrideCase> {};

TEST_P(JunctionOverrideTest, AsksWithTheRightDiscriminator) {
    const OverrideCase& c = GetParam();
    CsBridge bridge;
    bridge.select_schema("2014", c.site, c.histology, c.ssf25);
    EXPECT_EQ(call_log().last_ssf25, c.overridden ? std::string("982") : std::string(c.ssf25));
    EXPECT_EQ(call_log().last_site, c.site);
    EXPECT_EQ(call_log().last_histology, c.histology);
}

// Bounds of every histology range, and the codes just outside them.
INSTANTIATE_TEST_SUITE_P(
    HistologyRanges, JunctionOverrideTest,
    ::testing::Values(OverrideCase{"C160", "8000", "010", true}, OverrideCase{"C160", "7999", "010", false},
                      OverrideCase{"C160", "8152", "010", true}, OverrideCase{"C160", "8153", "010", false},
                      OverrideCase{"C160", "8154", "010", true}, OverrideCase{"C160", "8231", "010", true},
                      OverrideCase{"C160", "8232", "010", false}, OverrideCase{"C160", "8242", "010", false},
                      OverrideCase{"C160", "8243", "010", true}, OverrideCase{"C160", "8245", "010", true},
                      OverrideCase{"C160", "8246", "010", false}, OverrideCase{"C160", "8247", "010", true},
                      OverrideCase{"C160", "8248", "010", true}, OverrideCase{"C160", "8249", "010", false},
                      OverrideCase{"C160", "8250", "010", true}, OverrideCase{"C160", "8934", "010", true},
                      OverrideCase{"C160", "8935", "010", false}, OverrideCase{"C160", "8939", "010", false},
                      OverrideCase{"C160", "8940", "010", true}, OverrideCase{"C160", "9136", "010", true},
                      OverrideCase{"C160", "9140", "010", false}, OverrideCase{"C160", "9141", "010", true},
                      OverrideCase{"C160", "9582", "010", true}, OverrideCase{"C160", "9583", "010", false},
                      OverrideCase{"C160", "9699", "010", false}, OverrideCase{"C160", "9700", "010", true},
                      OverrideCase{"C160", "9701", "010", true}, OverrideCase{"C160", "9702", "010", false}));

INSTANTIATE_TEST_SUITE_P(
    SiteAndFactor, JunctionOverrideTest,
    ::testing::Values(OverrideCase{"C160", "8140", "020", false}, OverrideCase{"C160", "8140", "000", false},
                      OverrideCase{"C161", "8140", "010", false}, OverrideCase{"C150", "8140", "010", false},
                      OverrideCase{"C160", "8140", "   ", false},
                      // Factor and site are read as numbers: leading blanks are skipped.
                      OverrideCase{"C160", "8140", " 10", true}, OverrideCase{"C160", "8140", "10 ", true}));

TEST_F(CsBridgeTest, NumbersOutsideTheSchemaRangeAreNotDetermined) {
    CsBridge bridge;
    for (int number : {154, 0, -1, -1000, -1001, -1002}) {
        cstage_scriptable::script_schema_number(number);
        bridge.select_schema("2014", "C619", "8140", "   ");
        EXPECT_EQ(bridge.schema_number(), number);
        EXPECT_FALSE(bridge.has_valid_schema()) << number;
        EXPECT_EQ(bridge.schema_name(), "Not Determined") << number;
    }
    for (int number : {1, 153}) {
        cstage_scriptable::script_schema_number(number);
        bridge.select_schema("2014", "C619", "8140", "   ");
        EXPECT_TRUE(bridge.has_valid_schema()) << number;
    }
    EXPECT_EQ(bridge.schema_name(), "IllDefinedOther");
}

TEST_F(CsBridgeTest, ANewSelectionReplacesTheEarlierName) {
    CsBridge bridge;
    bridge.select_schema("2014", "C619", "8140", "   ");
    ASSERT_EQ(bridge.schema_name(), "Prostate");
    bridge.select_schema("2014", "C999", "8140", "   ");
    EXPECT_EQ(bridge.schema_number(), CSTAGE_NO_SCHEMA_FOR_SITE);
    EXPECT_EQ(bridge.schema_name(), "Not Determined");
}

TEST_F(CsBridgeTest, NullOrOverlongNamesFromTheLibraryAreSafe) {
    CsBridge bridge;
    cstage_scriptable::script_schema_name(nullptr);
    bridge.select_schema("2014", "C619", "8140", "   ");
    EXPECT_EQ(bridge.schema_name(), "Not Determined");

    const std::string long_name(60, 'N');
    cstage_scriptable::script_schema_name(long_name.c_str());
    bridge.select_schema("2014", "C619", "8140", "   ");
    EXPECT_EQ(bridge.schema_name(), std::string(39, 'N'));
}

TEST_F(CsBridgeTest, WithoutABoundLibraryNothingIsSelected) {
    set_cs_entry_points({});
    CsBridge bridge;
    bridge.select_schema("2014", "C619", "8140", "   ");
    EXPECT_EQ(bridge.schema_number(), -1);
    EXPECT_EQ(bridge.schema_name(), "Not Determined");
}

TEST(TextToInt, ReadsAsTheCLibraryDoes) {
    EXPECT_EQ(text_to_int("0160"), 160);
    EXPECT_EQ(text_to_int("  42x"), 42);
    EXPECT_EQ(text_to_int("-7"), -7);
    EXPECT_EQ(text_to_int("+5"), 5);
    EXPECT_EQ(text_to_int("4 2"), 4);
    EXPECT_EQ(text_to_int("abc"), 0);
    EXPECT_EQ(text_to_int("    "), 0);
    EXPECT_EQ(text_to_int(""), 0);
    EXPECT_EQ(text_to_int("- 5"), 0);
    EXPECT_EQ(text_to_int("99999999999"), 2147483647);
}

}  // namespace
}  // namespace vexlin::test
