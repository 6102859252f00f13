// SPDX-License-Identifier: Apache-2.0
// The engine's matching and evaluation rules on small tables written for the
// test: ranges and cells, first match, mappings, jumps, errors, defaults.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cs_engine.h"
#include "cs_matching.h"

namespace {

using namespace csengine;

// ---- cells and ranges --------------------------------------------------------

bool cell_holds(std::string_view cell, std::string_view value, std::string_view year = "2015") {
    std::vector<Range> ranges;
    const auto intern = [](std::string_view) { return KeyId{0}; };
    parse_cell(cell, intern, ranges);
    for (const Range& r : ranges)
        if (contains(r, value, [&](KeyId) { return year; })) return true;
    return false;
}

TEST(Cells, NumericRangesCompareAsNumbersAndTextRangesAsSameLengthText) {
    EXPECT_TRUE(cell_holds("001-988", "5"));      // numbers: "5" lies in 001-988
    EXPECT_TRUE(cell_holds("001-988", "988"));
    EXPECT_FALSE(cell_holds("001-988", "989"));
    EXPECT_FALSE(cell_holds("001-988", "5.0"));   // no '.' unless a bound has one
    EXPECT_TRUE(cell_holds("0.1-9.9", "5.25"));
    EXPECT_FALSE(cell_holds("001-988", "05X"));
    EXPECT_TRUE(cell_holds("C000-C009", "C005"));  // same-length text
    EXPECT_FALSE(cell_holds("C000-C009", "C05"));
    EXPECT_FALSE(cell_holds("C000-C009", "C010"));
    EXPECT_TRUE(cell_holds("AA-AZ", "AM"));
}

TEST(Cells, SingleValuesListsBlanksAndHyphenatedCodes) {
    EXPECT_TRUE(cell_holds("010,020,030", "020"));
    EXPECT_FALSE(cell_holds("010,020,030", "20"));    // single values compare as text
    EXPECT_TRUE(cell_holds("N0(mol-)", "N0(mol-)"));  // unequal halves: one value, not a range
    EXPECT_TRUE(cell_holds("", ""));                  // a blank cell matches only blank
    EXPECT_FALSE(cell_holds("", "0"));
    EXPECT_TRUE(cell_holds("100,", ""));              // an empty part of a list is a blank
    EXPECT_TRUE(cell_holds(" 5 ", "5"));              // parts are trimmed
}

TEST(Cells, TemplateBoundsComeFromTheContext) {
    EXPECT_TRUE(cell_holds("2004-{{ctx_year_current}}", "2015", "2015"));
    EXPECT_FALSE(cell_holds("2004-{{ctx_year_current}}", "2016", "2015"));
    EXPECT_TRUE(cell_holds("2004-{{ctx_year_current}}", "2016", "2016"));
    EXPECT_FALSE(cell_holds("2004-{{ctx_year_current}}", "", "2016"));
}

TEST(Numbers, OnlyPlainDecimalNumbersParse) {
    EXPECT_TRUE(parse_number("007").ok);
    EXPECT_TRUE(parse_number("-1.5").ok);
    EXPECT_FALSE(parse_number("").ok);
    EXPECT_FALSE(parse_number("1.").ok);
    EXPECT_FALSE(parse_number(".").ok);
    EXPECT_FALSE(parse_number("1e3").ok);
    EXPECT_FALSE(parse_number(" 1").ok);
}

// ---- evaluation --------------------------------------------------------------

// One schema over tables written for the test. Columns and cells are
// separated by TAB, as in the compact form.
std::string compact(std::vector<std::string> lines) {
    std::string text;
    for (std::string& l : lines) {
        for (char& c : l)
            if (c == '|') c = '\t';
        text += l + "\n";
    }
    return text;
}

const std::string kTables = compact({
    "# test tables",
    "T|primary_site", "C|Isite", "R|C619", "R|C770-C779",
    "T|histology", "C|Ihist", "R|8000-8005",
    "T|sel", "C|Isite|Ihist|Eresult", "R|C619,C770-C779|8000-8005|MATCH",
    "T|year", "C|Iyear_dx|Icsv|Eresult", "R|2004-{{ctx_year_current}}|*|MATCH", "R||020500-999999|MATCH",
    "T|size_codes", "C|Isize", "R|000-988", "R|999",
    // First matching row wins; a blank cell matches only blank.
    "T|size_class", "C|Isize|Eclass|Ecopy", "R|000-010|VALUE:small|VALUE:{{size}}", "R|000-988|VALUE:large|VALUE:",
    "R||VALUE:blank|VALUE:", "R|*|VALUE:unknown|VALUE:",
    // A jump, a jump back to a running table, and an error.
    "T|jump_a", "C|Ix|Ejump_out|Ex", "R|*|VALUE:a|JUMP:jump_b",
    "T|jump_b", "C|Ix|Ex", "R|*|JUMP:jump_a",
    "T|err", "C|Isize|Eerr_out", "R|999|ERROR:size unknown", "R|*|VALUE:fine",
    "T|nomatch", "C|Isize|Enm", "R|123|VALUE:x",
    "T|classify_v", "C|Iv|Eclass", "R|000-010|VALUE:small", "R|*|VALUE:other",
    "T|is_small", "C|Ival|Eresult", "R|000-010|MATCH",
    "S|1|test|Test|sel|",
    "I|site|400||primary_site", "I|hist|522||histology", "I|year_dx|390||year", "I|csv|2935||",
    "I|size|2800|999|size_codes", "I|x|0|dx|",
    "O|class|0|none", "O|copy|0|", "O|renamed|0|", "O|jump_out|0|", "O|err_out|0|kept", "O|nm|0|",
    "O|flag|0|", "O|initial|0|", "O|val|0|", "O|v|0|",
    "M|classify", "P|size_class||class=class;copy=copy",
    "M|paths", "P|classify_v|size=v|class=renamed",
    "M|jumps", "P|jump_a||",
    "M|errors", "V|initial|", "V|flag|set", "P|err||", "P|nomatch||",
    "M|only_small", "N|is_small|size=val", "V|flag|small",
    "M|not_small", "X|is_small|size=val", "V|initial|not small",
});

class EngineSemantics : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        tables_ = Tables::parse(kTables, error);
        ASSERT_TRUE(tables_) << error;
        engine_ = std::make_unique<Engine>(*tables_);
        engine_->set_current_year(2015);
    }
    Result run(std::vector<std::pair<std::string, std::string>> inputs) {
        Case c(*tables_);
        values_ = std::move(inputs);
        for (const auto& [k, v] : values_) EXPECT_TRUE(c.set(k, v)) << k;
        Result r;
        engine_->calculate(c, r);
        return r;
    }
    std::string out(const Result& r, std::string_view key) { return std::string(r.output(*tables_, key)); }
    static bool has(const Result& r, Problem::Kind kind) {
        for (const Problem& p : r.problems)
            if (p.kind == kind) return true;
        return false;
    }

    std::unique_ptr<const Tables> tables_;
    std::unique_ptr<Engine> engine_;
    std::vector<std::pair<std::string, std::string>> values_;
};

TEST_F(EngineSemantics, FirstMatchingRowWinsAndValuesMayCopyAnInput) {
    Result r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "007"}});
    EXPECT_EQ(out(r, "class"), "small");
    EXPECT_EQ(out(r, "copy"), "007");
    r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "500"}});
    EXPECT_EQ(out(r, "class"), "large");
    EXPECT_EQ(out(r, "copy"), "");  // VALUE: sets blank
}

TEST_F(EngineSemantics, AbsentInputsTakeTheirDefaultAndBlankInputsStayBlank) {
    Result r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}});
    EXPECT_EQ(out(r, "class"), "unknown");  // size absent: default 999
    r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "   "}});
    EXPECT_EQ(out(r, "class"), "blank");
    EXPECT_FALSE(has(r, Problem::Kind::InvalidInput));  // blank inputs are not validated
}

TEST_F(EngineSemantics, OutputMappingRenamesAndInputMappingIsUndoneAfterThePath) {
    const Result r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "007"}});
    EXPECT_EQ(out(r, "renamed"), "small");
    // The mapped inputs of the path ("v") and of the inclusion check ("val")
    // are not left behind.
    EXPECT_EQ(out(r, "v"), "");
    EXPECT_EQ(out(r, "val"), "");
}

TEST_F(EngineSemantics, AJumpToARunningTableIsAProblemNotALoop) {
    const Result r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "007"}});
    EXPECT_EQ(out(r, "jump_out"), "a");
    EXPECT_TRUE(has(r, Problem::Kind::JumpLoop));
}

TEST_F(EngineSemantics, ErrorEndpointsRecordAndSetNothingAndUnmatchedTablesChangeNothing) {
    Result r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "999"}});
    EXPECT_TRUE(has(r, Problem::Kind::TableError));
    EXPECT_EQ(out(r, "err_out"), "kept");  // the output's default stays
    EXPECT_TRUE(has(r, Problem::Kind::NoMatchingRow));
    EXPECT_EQ(out(r, "nm"), "");
    r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "123"}});
    EXPECT_FALSE(has(r, Problem::Kind::TableError));
    EXPECT_EQ(out(r, "err_out"), "fine");
    EXPECT_EQ(out(r, "nm"), "x");
}

TEST_F(EngineSemantics, InclusionAndExclusionTablesChooseTheMappings) {
    Result r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "007"}});
    EXPECT_EQ(out(r, "flag"), "small");  // the initial context of "errors" is overwritten
    EXPECT_EQ(out(r, "initial"), "");
    r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "500"}});
    EXPECT_EQ(out(r, "flag"), "set");
    EXPECT_EQ(out(r, "initial"), "not small");
}

TEST_F(EngineSemantics, InvalidCodesAreProblemsAndDerivationCarriesOn) {
    const Result r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2014"}, {"size", "9999"}});
    EXPECT_TRUE(has(r, Problem::Kind::InvalidInput));
    EXPECT_EQ(out(r, "class"), "unknown");
}

TEST_F(EngineSemantics, TheYearCheckTakesTheCurrentYearOrABlankYearWithAKnownVersion) {
    Result r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2016"}, {"size", "007"}});
    EXPECT_TRUE(r.year_rejected);
    EXPECT_EQ(out(r, "class"), "");  // nothing derived, not even defaults
    engine_->set_current_year(2016);
    r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", "2016"}, {"size", "007"}});
    EXPECT_FALSE(r.year_rejected);
    r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", ""}, {"csv", "020550"}, {"size", "007"}});
    EXPECT_FALSE(r.year_rejected);
    r = run({{"site", "C619"}, {"hist", "8000"}, {"year_dx", ""}, {"csv", "010000"}, {"size", "007"}});
    EXPECT_TRUE(r.year_rejected);
}

TEST_F(EngineSemantics, SchemaSelectionNeedsValidCodesAndOneSchema) {
    EXPECT_EQ(engine_->select_schema("C775", "8003", "").outcome, SelectionOutcome::Selected);
    EXPECT_EQ(engine_->select_schema("C780", "8003", "").outcome, SelectionOutcome::InvalidSite);
    EXPECT_EQ(engine_->select_schema("C619", "8006", "").outcome, SelectionOutcome::InvalidHistology);
    EXPECT_EQ(engine_->select_schema("C619", "08003", "").outcome, SelectionOutcome::InvalidHistology);
    const Result r = run({{"site", "C999"}, {"hist", "8000"}, {"year_dx", "2014"}});
    EXPECT_EQ(r.schema, nullptr);
    EXPECT_TRUE(has(r, Problem::Kind::NoSchema));
}

// The published tables find their first matching row through the rows
// indexed under one column's value (looking only at the other cells of such
// a row) or, the large ones, through bit sets by column; a plain scan of
// every row must find the same row, for values the rows name, values no cell
// names and blanks.
TEST(RowFilters, FindTheSameRowAsAScanOfEveryRow) {
    const Tables& tables = embedded_tables();
    std::size_t filtered = 0, indexed = 0, compared = 0;
    for (TableId id = 0; id < tables.table_count(); ++id) {
        const Table& t = tables.table(id);
        if (t.inputs.empty()) continue;
        ++(t.filter.words != 0 ? filtered : indexed);
        std::vector<std::string_view> context(tables.key_count());
        const auto value = [&](KeyId k) { return context[k]; };
        const auto scan = [&] {
            for (std::uint32_t r = 0; r < t.rows; ++r)
                if (row_matches(t, r, value)) return r;
            return kNoRow;
        };
        for (std::uint32_t r = 0; r < t.rows; r += 1 + t.rows / 40) {
            // The row's own first codes, then each column in turn unknown or blank.
            for (std::size_t c = 0; c < t.inputs.size(); ++c) {
                const Cell& cell = t.cell(r, c);
                context[t.inputs[c]] = cell.any || cell.count == 0 ? std::string_view("1") : t.ranges[cell.first].lo;
            }
            ASSERT_EQ(first_match(t, value), scan()) << t.id << " row " << r;
            for (std::size_t c = 0; c < t.inputs.size(); ++c) {
                const std::string_view kept = context[t.inputs[c]];
                for (const std::string_view odd : {"ZZ9", ""}) {
                    context[t.inputs[c]] = odd;
                    ASSERT_EQ(first_match(t, value), scan()) << t.id << " row " << r << " column " << c;
                    ++compared;
                }
                context[t.inputs[c]] = kept;
            }
        }
    }
    EXPECT_GT(filtered, 100u);
    EXPECT_GT(indexed, 1000u);
    EXPECT_GT(compared, 50000u);
}

// Whether a code is valid is mostly known in advance, from bits and runs of
// packed codes made out of each validation column; a look at every cell of
// the column must say the same, for codes of every length up to seven,
// numbers padded with zeros, letters, signs, decimals and blanks.
TEST(ValidCodes, KnownInAdvanceAsEveryCellOfTheColumnSays) {
    const Engine& engine = embedded_engine();
    const Tables& tables = engine.tables();
    const std::string year = std::to_string(engine.current_year());
    const KeyId year_current = tables.find_key("ctx_year_current");
    const auto value = [&](KeyId k) { return k == year_current ? std::string_view(year) : std::string_view(); };
    // Digits with a letter or a blank inside sort between numbers as text.
    std::vector<std::string> codes = {"", "C", "C50", "C509", "C5099", "8140", "08140", "81400", "8140.0", "-1",
                                      "-0", "1.5", "0.5", "XYZ", "X", "88", "2014", "020550", "20550", "1234567",
                                      "1 5", "2 5", "1A0", "5 ", "0A", "9Z9", "81 0", "8A40", "C5 9", "02055X"};
    char text[8];
    for (int n = 0; n < 1000; ++n) {
        codes.push_back(std::to_string(n));
        std::snprintf(text, sizeof text, "%03d", n);
        codes.push_back(text);
        if (n % 3 == 0) codes.push_back("C" + codes.back());
        if (n % 7 == 0) codes.push_back(std::to_string(8000 + n * 2));
    }
    // Each validation column once: many schemas share one.
    std::set<std::pair<TableId, std::uint32_t>> columns;
    std::size_t checked = 0, accepted = 0;
    for (const Schema& schema : tables.schemas()) {
        for (const SchemaInput& in : schema.inputs) {
            if (in.table == kNoTable || !columns.emplace(in.table, in.table_column).second) continue;
            const Table& t = tables.table(in.table);
            for (const std::string& code : codes) {
                bool any_cell = false;
                for (std::uint32_t r = 0; r < t.rows && !any_cell; ++r)
                    any_cell = cell_matches(t, t.cell(r, in.table_column), code, value);
                ASSERT_EQ(engine.is_valid_input(schema, in.key, code), any_cell)
                    << schema.name << " " << tables.key_name(in.key) << " '" << code << "'";
                ++checked;
                accepted += any_cell;
            }
        }
    }
    EXPECT_GT(checked, 1000000u);
    EXPECT_GT(accepted, 100000u);
}

TEST(TablesParse, BrokenCompactFormsAreRefusedWithTheLine) {
    std::string error;
    EXPECT_FALSE(Tables::parse(compact({"T|a", "C|Ix|Ey", "R|1"}), error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_FALSE(Tables::parse(compact({"T|a", "C|Ix|Ey", "R|1|JUMP:nowhere"}), error));
    EXPECT_NE(error.find("nowhere"), std::string::npos) << error;
    EXPECT_FALSE(Tables::parse(compact({"T|a", "C|Ix|Ey", "R|1|SOMETHING:1"}), error));
    EXPECT_FALSE(Tables::parse(compact({"S|1|s|S|missing|"}), error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

}  // namespace
