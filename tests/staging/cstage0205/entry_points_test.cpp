// SPDX-License-Identifier: Apache-2.0
// The library's eight entry points on their own: schema numbers and names,
// the texts it gives about itself, the error word and message of a
// calculation, the moves between record and card, and bytes that are no codes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "cs_engine.h"
#include "cs_test_files.h"
#include "cstage0205.h"
#include "naaccr_columns.h"

namespace {

// A published case of the gallbladder-neighbouring sites: everything derived,
// AJCC as not applicable.
constexpr std::string_view kDerivedCase =
    "C571,8000,2013,020550,3,9,060,9,455,100,9,100,9,01,01,00,9,988,988,988,988,988,988,988,988,988,988,988,988,"
    "988,988,988,988,988,988,988,988,988,988,988,988,988,NA,,NA,,NA,,NA,NA,,NA,,NA,,NA,L,RN,NONE,RN,L,RN,NONE,RN,"
    "88,N,88,N,88,N,88,888,N,888,N,888,N,888,3,3";

// A published prostate case: AJCC derived; the Summary Stage table reports an
// error for it, so both Summary Stages are left blank.
constexpr std::string_view kProstateCase =
    "C619,8000,2013,020550,3,9,081,9,021,000,0,800,3,00,10,00,0,002,010,000,120,988,988,021,002,013,002,998,025,"
    "025,020,020,988,988,988,988,988,988,988,988,988,988,TX,p,N1,p,M0,c,IV,TX,p,N1,p,M0,c,IV,IS,RN,NONE, ,IS,RN,"
    "NONE, ,99,p,10,p,00,c,70,999,p,100,p,000,c,700, , ";

std::string derived_record() { return cstest::record_from_case(cstest::ExpectedCase{cstest::split(kDerivedCase, ',')}); }
std::string prostate_record() { return cstest::record_from_case(cstest::ExpectedCase{cstest::split(kProstateCase, ',')}); }

void put(std::string& record, std::string_view key, std::string_view value) {
    const cstage::NaaccrItem* item = cstage::input_item(key);
    ASSERT_NE(item, nullptr) << key;
    std::string padded(value);
    padded.resize(item->width, ' ');
    record.replace(item->offset, item->width, padded);
}

struct Calculation {
    int result;
    std::uint32_t word;
    std::string message;
    std::vector<char> card;
};

Calculation calculate(const std::string& record) {
    Calculation c{0, 0, {}, std::vector<char>(CSTAGE_DATACARD_SIZE, 'x')};
    EXPECT_EQ(CStage_move_naaccr_to_datacard(c.card.data(), record.data()), 0);
    c.result = CStage_calculate(c.card.data());
    std::memcpy(&c.word, c.card.data() + CSTAGE_DC_ERROR_WORD, sizeof c.word);
    const char* message = c.card.data() + CSTAGE_DC_MESSAGE;
    c.message.assign(message, strnlen(message, CSTAGE_DC_MESSAGE_SIZE));
    EXPECT_LT(c.message.size(), std::size_t{CSTAGE_DC_MESSAGE_SIZE});
    return c;
}

std::string card_text(const Calculation& c, std::size_t offset, std::size_t width) {
    return std::string(c.card.data() + offset, width);
}

TEST(SchemaSelection, NumbersNamesAndFailureCodes) {
    EXPECT_EQ(CStage_get_number_of_schemas(), 153);
    EXPECT_EQ(CStage_get_schema_number("C619", "8140", "988"), 121);
    EXPECT_STREQ(CStage_get_schema_name(121), "Prostate");
    EXPECT_STREQ(CStage_get_schema_name(151), "HemeRetic");
    EXPECT_STREQ(CStage_get_schema_name(1), "LipUpper");
    EXPECT_EQ(CStage_get_schema_name(0), nullptr);
    EXPECT_EQ(CStage_get_schema_name(154), nullptr);
    // Esophagus/stomach junction: SSF25 picks one of two schemas.
    EXPECT_EQ(CStage_get_schema_number("C161", "8140", "020"), 43);  // EsophagusGEJunction
    EXPECT_EQ(CStage_get_schema_number("C161", "8140", "030"), 44);  // Stomach
    EXPECT_EQ(CStage_get_schema_number("C161", "8140", "988"), CSTAGE_NO_SCHEMA_FOR_SSF25);
    // Not codes: the site is checked first, then the histology.
    EXPECT_EQ(CStage_get_schema_number("C999", "8140", "988"), CSTAGE_NO_SCHEMA_FOR_SITE);
    EXPECT_EQ(CStage_get_schema_number("", "8140", "988"), CSTAGE_NO_SCHEMA_FOR_SITE);
    EXPECT_EQ(CStage_get_schema_number(nullptr, "8140", "988"), CSTAGE_NO_SCHEMA_FOR_SITE);
    EXPECT_EQ(CStage_get_schema_number("C619", "81400", "988"), CSTAGE_NO_SCHEMA_FOR_HISTOLOGY);
    EXPECT_EQ(CStage_get_schema_number("C619", nullptr, nullptr), CSTAGE_NO_SCHEMA_FOR_HISTOLOGY);
    EXPECT_EQ(CStage_get_schema_number("C619\x01", "8140", "988"), CSTAGE_NO_SCHEMA_FOR_SITE);
    // An over-long text is no code, and is not read past eight characters.
    EXPECT_EQ(CStage_get_schema_number("C619C619C619", "8140", "988"), CSTAGE_NO_SCHEMA_FOR_SITE);
}

TEST(LibraryTexts, VersionStartsWithTheAlgorithmsVersionAndTimestampNamesThePin) {
    const std::string version = CStage_get_version();
    EXPECT_EQ(version.substr(0, 6), "020550");
    EXPECT_NE(version.find("engine"), std::string::npos);
    EXPECT_EQ(version.find("stand-in"), std::string::npos);
    EXPECT_NE(std::string(CStage_get_timestamp()).find("7724ec90029cb9a8"), std::string::npos);
}

TEST(Calculation, ADerivedCaseReportsNoProblem) {
    const Calculation c = calculate(derived_record());
    EXPECT_EQ(c.result, 0) << c.message;
    EXPECT_EQ(c.message, "");
    EXPECT_EQ(c.word, 0u);
    EXPECT_EQ(card_text(c, CSTAGE_DC_AJCC7_STAGE, 3), "888");
    EXPECT_EQ(card_text(c, CSTAGE_DC_SS1977, 1), "3");
    EXPECT_EQ(card_text(c, CSTAGE_DC_CS_VERSION_DERIVED, 6), "020550");
}

TEST(Calculation, ATableErrorBlanksOnlyWhatItKeptFromBeingDerived) {
    const Calculation c = calculate(prostate_record());
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.message,
              "Table summary_stage_rpa for schema Prostate reports an error for SEER Summary Stage 1977 with "
              "SS1977 T 'IS', SS1977 N 'RN', SS1977 M 'NONE'\n"
              "Table summary_stage_rpa for schema Prostate reports an error for SEER Summary Stage 2000 with "
              "SS2000 T 'IS', SS2000 N 'RN', SS2000 M 'NONE'\n");
    EXPECT_EQ(card_text(c, CSTAGE_DC_AJCC7_STAGE, 3), "700");
    EXPECT_EQ(card_text(c, CSTAGE_DC_AJCC6_T, 2), "99");
    EXPECT_EQ(card_text(c, CSTAGE_DC_SS1977, 1), " ");
    // The AJCC bits stay clear, as the AJCC items were derived.
    EXPECT_EQ(c.word, CSTAGE_ERR_PROBLEM | CSTAGE_ERR_TABLE_ERROR | CSTAGE_ERR_SS1977 | CSTAGE_ERR_SS2000);
}

TEST(Calculation, NoSchemaSetsEveryNotDerivedBitAndSaysWhy) {
    std::string record = prostate_record();
    put(record, "site", "C999");
    const Calculation c = calculate(record);
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.word & CSTAGE_ERR_AJCC_ALL, CSTAGE_ERR_AJCC_ALL);
    EXPECT_NE(c.word & CSTAGE_ERR_SS1977, 0u);
    EXPECT_NE(c.word & CSTAGE_ERR_SS2000, 0u);
    EXPECT_NE(c.word & CSTAGE_ERR_NO_SCHEMA, 0u);
    EXPECT_NE(c.word & CSTAGE_ERR_PROBLEM, 0u);
    EXPECT_EQ(c.message, "No schema: Primary Site (item 400) 'C999' is not a valid code\n");
    EXPECT_EQ(card_text(c, CSTAGE_DC_AJCC7_T, 3), "   ");
    EXPECT_EQ(card_text(c, CSTAGE_DC_CS_VERSION_DERIVED, 6), "      ");
    // The same problem met again with another code names that code.
    put(record, "site", "C998");
    EXPECT_EQ(calculate(record).message, "No schema: Primary Site (item 400) 'C998' is not a valid code\n");
}

TEST(Calculation, ARejectedYearDerivesNothing) {
    for (const char* year : {"1999", "2999", "20X3"}) {
        std::string record = prostate_record();
        put(record, "year_dx", year);
        const Calculation c = calculate(record);
        EXPECT_EQ(c.result, 1) << year;
        EXPECT_NE(c.word & CSTAGE_ERR_YEAR, 0u) << year;
        EXPECT_EQ(c.word & CSTAGE_ERR_AJCC_ALL, CSTAGE_ERR_AJCC_ALL) << year;
        EXPECT_NE(c.message.find("Year of diagnosis '" + std::string(year) + "' rejected"), std::string::npos)
            << c.message;
    }
}

TEST(Calculation, AFailedSelectionNamesTheSsf25CodesThatWouldSelectASchema) {
    std::string record = prostate_record();
    put(record, "site", "C161");
    put(record, "hist", "8140");
    put(record, "ssf25", "XYZ");
    const Calculation c = calculate(record);
    EXPECT_EQ(c.message,
              "No schema: CS Site-Specific Factor 25 (item 2879) 'XYZ' selects none for Primary Site 'C161' and "
              "histology '8140'; 000, 030, 100, 999 select Stomach; 020, 040, 060 select EsophagusGEJunction\n");
}

TEST(Calculation, AnInvalidInputIsNamedAndDerivationCarriesOn) {
    std::string record = prostate_record();
    put(record, "nodes_eval", "X");
    const Calculation c = calculate(record);
    EXPECT_EQ(c.result, 1);
    EXPECT_NE(c.word & CSTAGE_ERR_INVALID_INPUT, 0u);
    EXPECT_NE(c.message.find("Invalid CS Lymph Nodes Eval (item 2840) 'X'"), std::string::npos) << c.message;
    // The other families still derive: of the AJCC items only the N
    // descriptors, which the evaluation gives, are missing.
    EXPECT_EQ(c.word & CSTAGE_ERR_AJCC_ALL, CSTAGE_ERR_AJCC6_N_DESCRIPT | CSTAGE_ERR_AJCC7_N_DESCRIPT);
    EXPECT_NE(card_text(c, CSTAGE_DC_AJCC7_T, 3), "   ");
    EXPECT_EQ(card_text(c, CSTAGE_DC_AJCC7_STAGE, 3), "700");
}

TEST(Calculation, UnprintableBytesAreInvalidCodesAndAreEscapedInTheMessage) {
    std::string record = prostate_record();
    put(record, "extension", std::string("0\x01\xff", 3));
    const Calculation c = calculate(record);
    EXPECT_EQ(c.result, 1);
    EXPECT_NE(c.message.find("Invalid CS Extension (item 2810) '0\\x01\\xFF'"), std::string::npos) << c.message;
    for (const char ch : c.message) EXPECT_TRUE(ch == '\n' || (ch >= 0x20 && ch < 0x7F)) << int(ch);
}

// The library keeps what earlier calculations found (schemas, rows of large
// tables) for later ones: a card must come out the same whatever was
// calculated before it. Published cases, and records that mix the inputs of
// two cases so that many report problems, once forwards and once backwards.
TEST(Calculation, ACardComesOutTheSameWhateverWasCalculatedBefore) {
    std::vector<std::string> records;
    std::size_t line = 0;
    ASSERT_TRUE(cstest::for_each_line(cstest::data_file("AJCC_7.V020550.txt.gz"), [&](std::string_view text) {
        if (line++ % 25 != 0 || records.size() >= 6000) return;
        records.push_back(cstest::record_from_case(cstest::ExpectedCase{cstest::split(text, ',')}));
    }));
    const std::size_t cases = records.size();
    // A case's site, histology, year, version, behaviour, grade, age and
    // SSF25 with another case's staging inputs, most often of another schema.
    const std::span<const cstage::NaaccrItem> items = cstage::input_items();
    for (std::size_t i = 0; i < cases; ++i) {
        std::string mixed = records[i];
        const std::string& other = records[(i * 7919 + cases / 2) % cases];
        for (std::size_t k = 7; k + 1 < items.size(); ++k)
            mixed.replace(items[k].offset, items[k].width, other, items[k].offset, items[k].width);
        records.push_back(std::move(mixed));
    }
    // One site and histology whose schema SSF25 decides.
    for (const char* ssf25 : {"020", "030", "XYZ", "988"}) {
        std::string record = prostate_record();
        put(record, "site", "C161");
        put(record, "hist", "8140");
        put(record, "ssf25", ssf25);
        records.push_back(std::move(record));
    }
    const auto card_out = [](const std::string& record) {
        const Calculation c = calculate(record);
        return std::string(c.card.data() + CSTAGE_DC_CS_VERSION_DERIVED, CSTAGE_DC_MESSAGE - CSTAGE_DC_CS_VERSION_DERIVED) +
               c.message;
    };
    std::vector<std::string> forwards;
    for (const std::string& record : records) forwards.push_back(card_out(record));
    std::size_t problems = 0;
    for (std::size_t i = records.size(); i-- > 0;) {
        const std::string backwards = card_out(records[i]);
        ASSERT_EQ(backwards, forwards[i]) << "record " << i;
        problems += backwards.size() > CSTAGE_DC_MESSAGE - CSTAGE_DC_CS_VERSION_DERIVED;
    }
    EXPECT_GT(cases, 5000u);
    EXPECT_GT(problems, cases / 2);
    // The four SSF25 codes of one site and histology: four different cards.
    const std::set<std::string> decided(forwards.end() - 4, forwards.end());
    EXPECT_EQ(decided.size(), 4u);
}

TEST(Calculation, AnyBytesNeverCrashAndAlwaysTerminateTheMessage) {
    for (const int fill : {0x00, 0x20, 0x39, 0x7F, 0xFF}) {
        const std::string record(cstage::kRecordLength, static_cast<char>(fill));
        const Calculation c = calculate(record);
        EXPECT_EQ(c.result, 1) << fill;
        EXPECT_NE(c.word & CSTAGE_ERR_NO_SCHEMA, 0u) << fill;
    }
    EXPECT_EQ(CStage_calculate(nullptr), 1);
    std::vector<char> card(CSTAGE_DATACARD_SIZE);
    std::string record = prostate_record();
    EXPECT_EQ(CStage_move_naaccr_to_datacard(nullptr, record.data()), 1);
    EXPECT_EQ(CStage_move_naaccr_to_datacard(card.data(), nullptr), 1);
    EXPECT_EQ(CStage_move_datacard_to_naaccr(nullptr, record.data()), 1);
    EXPECT_EQ(CStage_move_datacard_to_naaccr(card.data(), nullptr), 1);
}

TEST(Moves, CardToRecordWritesTheDerivedItemsAndCsVersionDerivedOnly) {
    const std::string before = prostate_record();
    const Calculation c = calculate(before);
    std::string after = before;
    ASSERT_EQ(CStage_move_datacard_to_naaccr(c.card.data(), after.data()), 0);
    // NAACCR 14.0 columns: Derived AJCC-6 T at 1103, AJCC-7 Stage Grp at
    // 1126-1128, SS1977 and SS2000 at 1155-1156, CS Version Derived at 1173.
    EXPECT_EQ(after.substr(1102, 2), "99");
    EXPECT_EQ(after.substr(1125, 3), "700");
    EXPECT_EQ(after.substr(1154, 2), "  ");
    EXPECT_EQ(after.substr(1172, 6), "020550");
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) changed.push_back(i);
    for (const std::size_t i : changed) {
        const bool derived_item = (i >= 1102 && i < 1128) || (i >= 1154 && i < 1156) || (i >= 1172 && i < 1178);
        EXPECT_TRUE(derived_item) << "column " << i + 1 << " changed";
    }
    EXPECT_FALSE(changed.empty());
}

TEST(Moves, RecordToCardReadsCsVersionInputOriginalFromItsOwnColumns) {
    std::string record = prostate_record();
    // CS Version Input Current (columns 1161-1166) is not an input: a blank
    // year with a known original version passes only through 1167-1172.
    record.replace(1160, 6, "999999");
    put(record, "year_dx", "");
    put(record, "cs_input_version_original", "020550");
    EXPECT_EQ(calculate(record).word & CSTAGE_ERR_YEAR, 0u);
    put(record, "cs_input_version_original", "000001");
    EXPECT_NE(calculate(record).word & CSTAGE_ERR_YEAR, 0u);
}

TEST(YearCheck, TheCurrentYearCanBePinned) {
    csengine::Engine& engine = csengine::embedded_engine();
    const int calendar = engine.current_year();
    csengine::Case c(engine.tables());
    const cstest::ExpectedCase published{cstest::split(kProstateCase, ',')};
    for (std::size_t i = 0; i < cstest::kInputKeys.size(); ++i) c.set(cstest::kInputKeys[i], published.input(i));
    csengine::Result r;
    engine.set_current_year(2012);
    engine.calculate(c, r);
    EXPECT_TRUE(r.year_rejected);
    engine.set_current_year(2013);
    engine.calculate(c, r);
    EXPECT_FALSE(r.year_rejected);
    EXPECT_EQ(r.output(engine.tables(), "stor_ajcc7_stage"), "700");
    engine.set_current_year(calendar);
}

}  // namespace
