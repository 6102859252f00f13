// SPDX-License-Identifier: Apache-2.0
// The published test files through the library's C entry points: stage from
// a NAACCR record built from each case, schema numbers for every published
// site, histology and SSF25, and every published valid code accepted.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cs_engine.h"
#include "cs_test_files.h"
#include "cstage0205.h"
#include "naaccr_columns.h"

namespace {

// The 16 storage outputs, in the order of the expected-result files' last
// columns: the library's own table less CS Version Derived, its last item.
const auto kStorage = cstage::output_items().first(16);

void check_through_records(const std::string& name, long expected_cases) {
    long cases = 0, differing = 0;
    std::ostringstream first;
    std::vector<char> card(CSTAGE_DATACARD_SIZE);
    const bool read = cstest::for_each_line(cstest::data_file(name), [&](std::string_view line) {
        cstest::ExpectedCase c{cstest::split(line, ',')};
        ++cases;
        if (c.fields.size() != 80) {
            ++differing;
            return;
        }
        const std::string record = cstest::record_from_case(c);
        ASSERT_EQ(CStage_move_naaccr_to_datacard(card.data(), record.c_str()), 0);
        CStage_calculate(card.data());
        std::string diff;
        for (std::size_t i = 0; i < std::size(kStorage); ++i) {
            const std::string_view got = csengine::trim({card.data() + kStorage[i].card, kStorage[i].width});
            const std::string_view want = csengine::trim(c.expected(22 + i));
            if (got != want) diff += " " + std::string(cstest::kOutputKeys[22 + i]) + "='" + std::string(got) + "'";
        }
        if (!diff.empty() && ++differing <= 10) first << line << "\n  " << diff << "\n";
    });
    ASSERT_TRUE(read) << name;
    EXPECT_EQ(cases, expected_cases);
    EXPECT_EQ(differing, 0) << first.str();
}

TEST(PublishedCasesThroughRecords, Ajcc6StorageOutputsAgree) { check_through_records("AJCC_6.V020550.txt.gz", 141643); }
TEST(PublishedCasesThroughRecords, Ajcc7StorageOutputsAgree) { check_through_records("AJCC_7.V020550.txt.gz", 162280); }

TEST(PublishedSchemaIdentification, EverySiteHistologyAndSsf25GivesThePublishedSchema) {
    const csengine::Tables& tables = csengine::embedded_tables();
    long rows = 0, differing = 0;
    std::ostringstream first;
    const bool read = cstest::for_each_line(cstest::data_file("cs_schema_identification_unit_test.txt.gz"),
                                            [&](std::string_view line) {
        const std::vector<std::string_view> f = cstest::split(line, ',');
        ++rows;
        if (f.size() != 4) {
            ++differing;
            return;
        }
        const std::string site(f[0]), hist(f[1]), ssf25(f[2]);
        const int number = CStage_get_schema_number(site.c_str(), hist.c_str(), ssf25.c_str());
        const std::string_view got =
            number >= 1 && number <= 153 ? tables.schemas()[static_cast<std::size_t>(number - 1)].id : "";
        if (got != csengine::trim(f[3]) && ++differing <= 10)
            first << line << " -> " << number << " " << got << "\n";
    });
    ASSERT_TRUE(read);
    EXPECT_EQ(rows, 883655);
    EXPECT_EQ(differing, 0) << first.str();
}

TEST(PublishedValidInputs, EveryPublishedCodeIsValid) {
    const csengine::Engine& engine = csengine::embedded_engine();
    long rows = 0, rejected = 0;
    std::ostringstream first;
    const bool read = cstest::for_each_line(cstest::data_file("valid_inputs.020550.txt.gz"), [&](std::string_view line) {
        const std::vector<std::string_view> f = cstest::split(line, '|');
        ++rows;
        const csengine::Schema* schema = f.size() == 3 ? engine.schema_by_name(f[0]) : nullptr;
        const csengine::KeyId key = f.size() == 3 ? engine.tables().find_key(f[1]) : csengine::kNoKey;
        if ((!schema || key == csengine::kNoKey || !engine.is_valid_input(*schema, key, f[2])) && ++rejected <= 10)
            first << line << "\n";
    });
    ASSERT_TRUE(read);
    EXPECT_EQ(rows, 387125);
    EXPECT_EQ(rejected, 0) << first.str();
}

}  // namespace
