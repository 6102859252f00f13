// SPDX-License-Identifier: Apache-2.0
// Generated records through the record entry: whatever the rules do, they
// touch only the items they may rewrite, stamp the version, blank the
// reserved block, log from the entry values and count what they log.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cs_entry_points.h"
#include "hematopoietic_table.h"
#include "record_entry.h"
#include "rules_test_support.h"

namespace vexlin {
namespace {

// A Collaborative Stage library whose schema selection answers what the test sets.
struct ScriptedSchema {
    static inline int next = 121;
    static int CSTAGE_CALL schema_number(const char*, const char*, const char*) { return next; }
    static int CSTAGE_CALL schema_count() { return 153; }
    static const char* CSTAGE_CALL schema_name(int) { return "Scripted"; }
    static const char* CSTAGE_CALL text() { return "000000"; }
    static int CSTAGE_CALL calculate(char*) { return 0; }
    static int CSTAGE_CALL to_card(char*, const char*) { return 0; }
    static int CSTAGE_CALL to_record(const char*, char*) { return 0; }
};

// The items the rules may rewrite.
const std::vector<Field>& writable_items() {
    static const std::vector<Field> items = [] {
        std::vector<Field> v = {field::kRecordVersion,       field::kAddrAtDxCountry,     field::kAddrCurrentCountry,
                                field::kBirthplaceCountry,   field::kFollowupContactCountry,
                                field::kPlaceOfDeathCountry, field::kReservedSurvivalBlock, field::kPrimarySite,
                                field::kHistology,           field::kGrade,               field::kCsExtension,
                                field::kCsTumorSizeExtEval,  field::kCsLymphNodes,        field::kCsLymphNodesEval,
                                field::kCsMetsAtDx,          field::kCsMetsEval,          field::kRxSummSurgPrimSite,
                                field::kRxSummScopeRegLnSur};
        for (int n = 1; n <= 13; ++n) v.push_back(field::cs_ssf(n));
        return v;
    }();
    return items;
}

bool in_item(std::size_t offset, Field f) { return offset >= f.offset && offset < f.offset + f.width; }

bool writable(std::size_t offset) {
    for (const Field& f : writable_items())
        if (in_item(offset, f)) return true;
    return false;
}

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {
        for (const HematopoieticRule& r : hematopoietic_rule_table()) histologies_.emplace_back(r.histology);
        for (const char* h : {"8157", "8140", "8152", "9589", "9993", "    "}) histologies_.emplace_back(h);
    }

    test::RecordBuilder record() {
        test::RecordBuilder r = test::noisy_record(rng_());
        r.set(field::kDiagnosisYear, pick({"2009", "2010", "2013", "2014", "2016", "    ", "20 4", "1999"}))
            .set(field::kBehavior, pick({"1", "2", "3", "3", "3"}))
            .set(field::kHistology, histologies_[rng_() % histologies_.size()])
            .set(field::kGrade, pick({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", " ", "A"}))
            .set(field::kPrimarySite, pick({"C420", "C421", "C422", "C423", "C424", "C400", "C410", "C379",
                                            "C441", "C690", "C695", "C696", "C619", "C771", "C000", "c421"}))
            .set(field::kCsSsf8, pick({"002", "006", "007", "008", "010", "998", "999", "000", "011", "02 "}))
            .set(field::kCsSsf10, pick({"003", "007", "009", "998", "999", "001", "   "}));
        for (Field f : {field::kAddrAtDxCountry, field::kAddrCurrentCountry, field::kBirthplaceCountry,
                        field::kFollowupContactCountry, field::kPlaceOfDeathCountry})
            if (rng_() % 3 == 0) r.set(f, pick({"BND", "XCZ", "SWK", "VLT", "XYG", "xyg", "BRN", "USA"}));
        return r;
    }
    int schema_result() { return std::vector<int>{121, 121, 50, 1, 153, -1000, -1001, -5, 0, 154}[rng_() % 10]; }

private:
    const char* pick(std::initializer_list<const char*> values) { return values.begin()[rng_() % values.size()]; }
    std::mt19937 rng_;
    std::vector<std::string> histologies_;
};

class RulesProperty : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = cs_entry_points();
        CsEntryPoints e;
        e.get_schema_number = &ScriptedSchema::schema_number;
        e.get_number_of_schemas = &ScriptedSchema::schema_count;
        e.get_schema_name = &ScriptedSchema::schema_name;
        e.get_timestamp = &ScriptedSchema::text;
        e.get_version = &ScriptedSchema::text;
        e.calculate = &ScriptedSchema::calculate;
        e.move_naaccr_to_datacard = &ScriptedSchema::to_card;
        e.move_datacard_to_naaccr = &ScriptedSchema::to_record;
        set_cs_entry_points(e);
        state_.open_conversion(ResultsStore::in_memory());
    }
    void TearDown() override {
        state_.close_conversion();
        set_cs_entry_points(saved_);
    }

    CsEntryPoints saved_;
    LibraryState state_;
};

std::string coded(const std::string& hist, const std::string& grade, const std::string& site) {
    return hist + grade + site;
}

TEST_F(RulesProperty, GeneratedRecordsChangeOnlyWritableItems) {
    Generator gen(20140101);
    const Field cs_inputs{987, 1041 - 987};  // CS Extension to Site-Specific Factor 13
    int records_with_rows = 0;
    for (int n = 0; n < 4000; ++n) {
        SCOPED_TRACE("record " + std::to_string(n));
        ResultsStore& store = *state_.store;
        store.clear();
        test::RecordBuilder r = gen.record();
        ScriptedSchema::next = gen.schema_result();
        const std::string before = r.str();
        unsigned char restage = 0xEE, review = 0xEE;
        const int flags = convert_record(state_, n, r.span(), restage, review);
        const std::string& after = r.str();

        for (std::size_t i = 0; i < kRecordLength; ++i) {
            if (before[i] != after[i] && !writable(i)) FAIL() << "offset " << i << " changed";
        }
        EXPECT_EQ(r.get(field::kRecordVersion), "150");
        EXPECT_EQ(r.get(field::kReservedSurvivalBlock), std::string(34, ' '));
        EXPECT_TRUE(flags == 0 || flags == 8 || flags == 16 || flags == 32) << flags;
        ASSERT_LE(restage, 1);
        ASSERT_LE(review, 1);

        const auto conversions = test::conversion_rows(store);
        const auto reviews = test::review_rows(store);
        EXPECT_EQ(store.conversions_count(), static_cast<int>(conversions.size()));
        EXPECT_EQ(store.reviewables_count(), static_cast<int>(reviews.size()));
        EXPECT_EQ(review == 1, !reviews.empty());
        records_with_rows += conversions.empty() ? 0 : 1;

        // Every row carries the entry values, whatever was rewritten before it.
        const std::string entry = before.substr(field::kHistology.offset, 4) + before[field::kGrade.offset] +
                                  before.substr(field::kPrimarySite.offset, 4);
        const std::string ids = before.substr(41, 8) + before.substr(527, 2) + before.substr(700, 10) +
                                before.substr(730, 11);
        int hematopoietic = 0;
        std::size_t country_rows = 0;
        std::string last_type;
        for (const auto& row : conversions) {
            EXPECT_EQ(row.record, std::to_string(n));
            EXPECT_EQ(row.patient + row.seq_central + row.facility + row.accession + row.seq_hospital, ids);
            EXPECT_EQ(coded(row.v14_hist, row.v14_grade, row.v14_site), entry);
            if (row.type == "hematopoietic") {
                ++hematopoietic;
                EXPECT_EQ(row.v15_hist, r.get(field::kHistology));
                EXPECT_EQ(row.v15_site, r.get(field::kPrimarySite));
                if (conversions.back().type != "prostate grade") {
                    EXPECT_EQ(row.v15_grade, r.get(field::kGrade));
                }
            } else if (row.type.find("Country") != std::string::npos) {
                EXPECT_TRUE(last_type.empty() || last_type.find("Country") != std::string::npos) << row.type;
                EXPECT_EQ(coded(row.v15_hist, row.v15_grade, row.v15_site), entry);
                ++country_rows;
            }
            last_type = row.type;
        }
        EXPECT_LE(hematopoietic, 1);
        std::size_t countries_changed = 0;
        for (Field f : {field::kAddrAtDxCountry, field::kAddrCurrentCountry, field::kBirthplaceCountry,
                        field::kFollowupContactCountry, field::kPlaceOfDeathCountry})
            countries_changed += r.get(f) != std::string_view(before).substr(f.offset, f.width) ? 1 : 0;
        EXPECT_EQ(country_rows, countries_changed);
        // Site and Collaborative Stage inputs change only through the hematopoietic rules.
        if (hematopoietic == 0) {
            EXPECT_EQ(r.get(field::kPrimarySite), std::string_view(before).substr(539, 4));
            EXPECT_EQ(r.get(cs_inputs), std::string_view(before).substr(cs_inputs.offset, cs_inputs.width));
            EXPECT_EQ(restage, 0);
        }
        ASSERT_LE(reviews.size(), 1u);
        for (const auto& row : reviews) {
            EXPECT_EQ(row.patient + row.seq_central + row.facility + row.accession + row.seq_hospital, ids);
            EXPECT_EQ(coded(row.v14_hist, row.v14_grade, row.v14_site), entry);
        }
        if (r.get(cs_inputs) != std::string_view(before).substr(cs_inputs.offset, cs_inputs.width)) {
            const std::string h(std::string_view(before).substr(549, 4));
            EXPECT_TRUE(restage == 1 || h == "9687" || h == "9836" || h == "9764") << h;
        }

        // A converted record is a 15.0 record: converting it again changes
        // and logs nothing. (A hematopoietic histology never selects the
        // Prostate schema, whose grade rule would take the grade back.)
        const bool hematopoietic_prostate =
            ScriptedSchema::next == 121 && find_hematopoietic_rule(entry.substr(0, 4)) != nullptr;
        if (!hematopoietic_prostate) {
            store.clear();
            const std::string once = r.str();
            convert_record(state_, n, r.span(), restage, review);
            EXPECT_EQ(test::differing_offsets(r.str(), once), "") << "converted again: " << entry;
            EXPECT_EQ(store.conversions_count(), 0) << "converted again: " << entry;
        }
    }
    EXPECT_GT(records_with_rows, 1000);

    // Without clearing, the counters follow the rows over many records.
    state_.store->clear();
    for (int n = 0; n < 500; ++n) {
        test::RecordBuilder r = gen.record();
        ScriptedSchema::next = gen.schema_result();
        unsigned char restage = 0, review = 0;
        convert_record(state_, n, r.span(), restage, review);
    }
    EXPECT_EQ(state_.store->conversions_count(), static_cast<int>(test::conversion_rows(*state_.store).size()));
    EXPECT_EQ(state_.store->reviewables_count(), static_cast<int>(test::review_rows(*state_.store).size()));
    EXPECT_GT(state_.store->conversions_count(), 100);
}

}  // namespace
}  // namespace vexlin
