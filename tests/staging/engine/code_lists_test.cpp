// SPDX-License-Identifier: Apache-2.0
// The code lists of schema inputs: each kind of cell on small tables of our
// own, and every input of the published tables against the published list of
// valid input codes.
#include "cs_code_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "cs_engine.h"
#include "cs_test_files.h"
#include "naaccr_columns.h"

namespace {

using Published = std::map<std::pair<std::string, std::string>, std::set<std::string>>;

// SchemaName|key|code lines, gathered by schema and key.
const Published& published_codes() {
    static const Published codes = [] {
        Published p;
        const auto take = [&](std::string_view line) {
            const std::vector<std::string_view> f = cstest::split(line, '|');
            if (f.size() == 3) p[{std::string(f[0]), std::string(f[1])}].insert(std::string(f[2]));
        };
        const bool read = cstest::for_each_line(cstest::data_file("valid_inputs.020550.txt.gz"), take);
        EXPECT_TRUE(read);
        return p;
    }();
    return codes;
}

std::vector<std::string> code_list(std::string_view schema_name, std::string_view key,
                                   csengine::CodeRows rows = csengine::CodeRows::all) {
    const csengine::Engine& engine = csengine::embedded_engine();
    const csengine::Schema* schema = engine.schema_by_name(schema_name);
    EXPECT_NE(schema, nullptr) << schema_name;
    if (!schema) return {};
    return csengine::input_code_list(engine.tables(), *schema, engine.tables().find_key(key),
                                     cstage::input_item(key)->width, rows);
}

using Codes = std::vector<std::string>;

// One schema whose inputs "text", "num" and "err" each have a table of their own.
constexpr const char* kSmallTables =
    "T\tselection\nC\tIsite\tEresult\nR\t*\tMATCH\n"
    "T\ttext_codes\nC\tItext\tEout\nR\tA10-A12,B7\tVALUE:1\nR\tC1X8-C2X1\tVALUE:2\n"
    "T\tnum_codes\nC\tInum\tEout\nR\t5-12\tVALUE:1\nR\t090-110\tVALUE:2\nR\t2004-{{year}}\tVALUE:3\n"
    "R\t*\tVALUE:4\n"
    "T\terr_codes\nC\tIerr\tEout\nR\t1-3\tVALUE:1\nR\t3,7\tERROR:obsolete\nR\t8\tVALUE:2\nR\t7\tVALUE:3\n"
    "S\t1\tsmall\tSmall\tselection\t\n"
    "I\tsite\t400\t\t\nI\ttext\t1\t\ttext_codes\nI\tnum\t2\t\tnum_codes\nI\terr\t3\t\terr_codes\n";

class SmallTables : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        tables_ = csengine::Tables::parse(kSmallTables, error);
        ASSERT_NE(tables_, nullptr) << error;
    }
    Codes list(std::string_view key, std::size_t width, csengine::CodeRows rows = csengine::CodeRows::all) const {
        return csengine::input_code_list(*tables_, tables_->schemas().front(), tables_->find_key(key), width, rows);
    }
    std::unique_ptr<const csengine::Tables> tables_;
};

TEST_F(SmallTables, TextRangesCountThroughTheirTrailingDigits) {
    EXPECT_EQ(list("text", 3), (Codes{"A10", "A11", "A12", "B7"}));
    // Bounds that differ before their digits are listed as they are.
    EXPECT_EQ(list("text", 4), (Codes{"A10", "A11", "A12", "B7", "C1X8", "C2X1"}));
}

TEST_F(SmallTables, NumericRangesArePaddedAndStopAtTheWidth) {
    EXPECT_EQ(list("num", 2), (Codes{"05", "06", "07", "08", "09", "10", "11", "12", "90", "91", "92", "93", "94",
                                     "95", "96", "97", "98", "99"}));
    const Codes three = list("num", 3);
    EXPECT_EQ(three.size(), 8u + 21u);  // 005-012 and 090-110; the template and the wildcard list nothing
    EXPECT_EQ(three.front(), "005");
    EXPECT_EQ(three.back(), "110");
    EXPECT_EQ(list("site", 4), Codes{});  // no table
}

TEST_F(SmallTables, CodesOfErrorRowsAreLeftOutOnRequest) {
    EXPECT_EQ(list("err", 1), (Codes{"1", "2", "3", "7", "8"}));
    // 3 was taken by an earlier row; 7's first row is the error row.
    EXPECT_EQ(list("err", 1, csengine::CodeRows::without_errors), (Codes{"1", "2", "3", "8"}));
}

TEST(CodeLists, ObsoleteCodesOfThePublishedTablesAreLeftOutOnRequest) {
    EXPECT_EQ(code_list("HemeRetic", "mets"), (Codes{"88", "98"}));
    EXPECT_EQ(code_list("HemeRetic", "mets", csengine::CodeRows::without_errors), Codes{"98"});
    const Codes all = code_list("Breast", "extension");
    const Codes kept = code_list("Breast", "extension", csengine::CodeRows::without_errors);
    EXPECT_FALSE(kept.empty());
    EXPECT_TRUE(std::includes(all.begin(), all.end(), kept.begin(), kept.end()));
}

TEST(CodeLists, EveryPublishedInputListsThePublishedCodes) {
    const Published& published = published_codes();
    ASSERT_GT(published.size(), 1000u);
    int compared = 0, differing = 0;
    std::string first;
    for (const auto& [schema_key, codes] : published) {
        const std::vector<std::string> listed = code_list(schema_key.first, schema_key.second);
        const std::set<std::string> got(listed.begin(), listed.end());
        ++compared;
        if (got == codes) continue;
        if (++differing <= 10) {
            std::vector<std::string> missing, extra;
            std::set_difference(codes.begin(), codes.end(), got.begin(), got.end(), std::back_inserter(missing));
            std::set_difference(got.begin(), got.end(), codes.begin(), codes.end(), std::back_inserter(extra));
            first += schema_key.first + " " + schema_key.second + ": " + std::to_string(missing.size()) + " missing (" +
                     (missing.empty() ? "" : missing.front()) + "), " + std::to_string(extra.size()) + " extra (" +
                     (extra.empty() ? "" : extra.front()) + ")\n";
        }
    }
    EXPECT_EQ(differing, 0) << "of " << compared << "\n" << first;
}

}  // namespace
