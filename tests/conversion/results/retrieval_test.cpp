// SPDX-License-Identifier: Apache-2.0
// Reading results back row by row and as the whole listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "results_fixtures.h"

namespace vexlin::test {
namespace {

constexpr char kUntouched = '#';

// A caller's buffer pre-filled with a marker, so that any write shows.
struct CallerBuffer {
    std::array<char, 4096> bytes;
    CallerBuffer() { bytes.fill(kUntouched); }
    char* data() { return bytes.data(); }
    std::string text() const { return std::string(bytes.data(), strnlen(bytes.data(), bytes.size())); }
    bool untouched() const {
        return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == kUntouched; });
    }
};

std::string next(ResultsStore& store) {
    CallerBuffer buffer;
    store.next_message(buffer.data());
    return buffer.untouched() ? "<untouched>" : buffer.text();
}

std::string formatted(const char* format, auto... values) {
    char text[4000];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

class Retrieval : public ::testing::Test {
protected:
    Retrieval() {
        store.log_conversion(kCase, "hematopoietic", kBefore, "", kAfter, "");
        store.log_conversion({8, "00012346", "01", "0000054321", "987654321", "02"}, "Birthplace--Country",
                             {"8140", '2', "C509"}, "YUG", {"8140", '2', "C509"}, "XEX");
        store.log_reviewable(kCase, kBefore, kAfter);
        store.log_message(7, "00012345", "CS cannot find a schema for site 'C999', which may be invalid. ");
    }
    ResultsStore store = ResultsStore::in_memory();
};

TEST_F(Retrieval, SentencesReadWhole) {
    EXPECT_EQ(store.ready_messages(1, 1, ',', 3000), 2);
    EXPECT_EQ(next(store),
              formatted("Record %d with Patient ID %s, Sequence No. Central %s, Reporting Facility %s, Accession No. "
                        "Hospital %s, Sequence No. Hospital %s underwent %s conversion with v14 Hist %s, Grade %s, "
                        "Site %s, Country Code %s and v15 Hist %s, Grade %s, Site %s, Country Code %s.",
                        7, "00012345", "00", "0000012345", "123456789", "01", "hematopoietic", "9823", "9", "C421",
                        "", "9823", "5", "C421", ""));
    EXPECT_EQ(next(store), "Record 8 with Patient ID 00012346, Sequence No. Central 01, Reporting Facility 0000054321, "
                           "Accession No. Hospital 987654321, Sequence No. Hospital 02 underwent Birthplace--Country "
                           "conversion with v14 Hist 8140, Grade 2, Site C509, Country Code YUG and v15 Hist 8140, "
                           "Grade 2, Site C509, Country Code XEX.");

    EXPECT_EQ(store.ready_messages(2, 1, ',', 3000), 1);
    EXPECT_EQ(next(store),
              formatted("Record %d with Patient ID %s, Sequence No. Central %s, Reporting Facility %s, Accession No. "
                        "Hospital %s, Sequence No. Hospital %s with v14 Hist %s, Grade %s, Site %s and v15 Hist %s, "
                        "Grade %s, Site %s requires review.",
                        7, "00012345", "00", "0000012345", "123456789", "01", "9823", "9", "C421", "9823", "5",
                        "C421"));
}

TEST_F(Retrieval, DelimitedWithCommaAndTab) {
    store.ready_messages(2, 2, ',', 3000);
    EXPECT_EQ(next(store), "7,00012345,00,0000012345,123456789,01,9823,9,C421,9823,5,C421");
    store.ready_messages(2, 2, '\t', 3000);
    EXPECT_EQ(next(store), "7\t00012345\t00\t0000012345\t123456789\t01\t9823\t9\tC421\t9823\t5\tC421");
    store.ready_messages(1, 2, '|', 3000);
    EXPECT_EQ(next(store), "7|00012345|00|0000012345|123456789|01|hematopoietic|9823|9|C421||9823|5|C421|");
}

TEST_F(Retrieval, LabelledPairs) {
    store.ready_messages(2, 3, ';', 3000);
    EXPECT_EQ(next(store),
              "Record Number,7;Patient ID,00012345;Sequence No. Central,00;Reporting Facility,0000012345;"
              "Accession No. Hospital,123456789;Sequence No. Hospital,01;v14Hist,9823;v14Grade,9;v14Site,C421;"
              "v15Hist,9823;v15Grade,5;v15Site,C421");
    store.ready_messages(1, 3, '\t', 3000);
    next(store);
    EXPECT_EQ(next(store),
              "Record Number,8\tPatient ID,00012346\tSequence No. Central,01\tReporting Facility,0000054321\t"
              "Accession No. Hospital,987654321\tSequence No. Hospital,02\tConversion Type,Birthplace--Country\t"
              "v14Hist,8140\tv14Grade,2\tv14Site,C509\tv14CountryCode,YUG\tv15Hist,8140\tv15Grade,2\tv15Site,C509\t"
              "v15CountryCode,XEX");
}

TEST_F(Retrieval, MessagesGiveTheTextAloneInAnyFormat) {
    for (int format : {1, 2, 3, 9}) {
        EXPECT_EQ(store.ready_messages(3, format, ',', 3000), 1);
        EXPECT_EQ(next(store), "CS cannot find a schema for site 'C999', which may be invalid. ") << format;
    }
}

TEST_F(Retrieval, LengthLimitCutsRowsOfAnyLength) {
    const std::string long_id(5000, 'P');
    store.log_message(9, long_id, long_id);

    struct Case {
        int buffer_length;
        std::size_t kept;
    };
    for (const Case c : {Case{2001, 1999}, Case{4096, 1999}, Case{2000, 1999}, Case{10, 9}, Case{1, 0}}) {
        store.ready_messages(3, 1, ',', c.buffer_length);
        next(store);
        CallerBuffer buffer;
        store.next_message(buffer.data());
        EXPECT_EQ(buffer.text(), std::string(c.kept, 'P')) << c.buffer_length;
        EXPECT_EQ(buffer.bytes[c.kept + 1], kUntouched) << "written past the terminator";
    }
    // The sentence of a long row is cut the same way.
    store.log_reviewable({1, long_id, "", "", "", ""}, kBefore, kAfter);
    store.ready_messages(2, 1, ',', 3000);
    next(store);
    EXPECT_EQ(next(store), "Record 1 with Patient ID " + std::string(1999 - 25, 'P'));
}

TEST_F(Retrieval, BufferLengthBelowOneWritesNothing) {
    for (int length : {0, -1}) {
        store.ready_messages(3, 1, ',', length);
        EXPECT_EQ(next(store), "<untouched>") << length;
    }
}

TEST_F(Retrieval, SurplusCallsLeaveTheBufferAsItWas) {
    EXPECT_EQ(store.ready_messages(1, 2, ',', 3000), 2);
    CallerBuffer buffer;
    store.next_message(buffer.data());
    store.next_message(buffer.data());
    const std::string last = buffer.text();
    ASSERT_EQ(last.substr(0, 2), "8,");
    for (int i = 0; i < 4; ++i) {
        store.next_message(buffer.data());
        EXPECT_EQ(buffer.text(), last) << "surplus call " << i;
    }
}

TEST_F(Retrieval, UnknownTableCountsNothingAndReleasesTheEarlierQuery) {
    EXPECT_EQ(store.ready_messages(1, 2, ',', 3000), 2);
    next(store);
    EXPECT_EQ(store.ready_messages(4, 2, ',', 3000), 0);
    EXPECT_EQ(next(store), "<untouched>");
    EXPECT_EQ(store.ready_messages(0, 2, ',', 3000), 0);
    EXPECT_EQ(next(store), "<untouched>");
}

TEST(RetrievalWithoutDatabase, CountsButDeliversNothing) {
    ScratchDir dir;
    write_text(dir.file("x.db"), "input");
    ResultsStore store = ResultsStore::for_file(dir.file("x.db"));
    store.log_message(1, "00000001", "lost");
    EXPECT_EQ(store.ready_messages(3, 1, ',', 100), 1);
    EXPECT_EQ(next(store), "<untouched>");
}

constexpr std::string_view kEmptyListing =
    "MESSAGES\n--------\nNo messages.\n\nREVIEWABLES\n-----------\nNo reviewables.\n\n"
    "CONVERSIONS\n-----------\nNo conversions.\n";

TEST(Listing, EmptyStoreAndItsCuts) {
    ResultsStore store = ResultsStore::in_memory();
    // Every call answers the whole listing's length, however much it copied.
    const int whole_length = static_cast<int>(kEmptyListing.size());
    CallerBuffer whole;
    EXPECT_EQ(store.dump(whole.data(), 4096), whole_length);
    EXPECT_EQ(whole.text(), kEmptyListing);

    CallerBuffer cut;
    EXPECT_EQ(store.dump(cut.data(), 10), whole_length);
    EXPECT_EQ(cut.text(), "MESSAGES\n");
    EXPECT_EQ(cut.bytes[10], kUntouched);

    for (int length : {0, -3}) {
        CallerBuffer none;
        EXPECT_EQ(store.dump(none.data(), length), whole_length);
        EXPECT_TRUE(none.untouched()) << length;
    }
}

TEST_F(Retrieval, ListingOfAllThreeTables) {
    CallerBuffer buffer;
    const std::string expected =
        "MESSAGES\n--------\n"
        "sequence, id, msg\n"
        "7, 00012345, CS cannot find a schema for site 'C999', which may be invalid. \n"
        "\nREVIEWABLES\n-----------\n"
        "recordNum, patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital, v14Hist, v14Grade, "
        "v14Site, v15Hist, v15Grade, v15Site\n"
        "7, 00012345, 00, 0000012345, 123456789, 01, 9823, 9, C421, 9823, 5, C421\n"
        "\nCONVERSIONS\n-----------\n"
        "recordNum, patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital, conversionType, "
        "v14Hist, v14Grade, v14Site, v14CountryCode, v15Hist, v15Grade, v15Site, v15CountryCode\n"
        "7, 00012345, 00, 0000012345, 123456789, 01, hematopoietic, 9823, 9, C421, , 9823, 5, C421, \n"
        "8, 00012346, 01, 0000054321, 987654321, 02, Birthplace--Country, 8140, 2, C509, YUG, 8140, 2, C509, XEX\n";
    EXPECT_EQ(store.dump(buffer.data(), 4096), static_cast<int>(expected.size()));
    EXPECT_EQ(buffer.text(), expected);

    store.clear();
    EXPECT_EQ(store.dump(buffer.data(), 4096), static_cast<int>(kEmptyListing.size()));
    EXPECT_EQ(buffer.text(), kEmptyListing);
}

}  // namespace
}  // namespace vexlin::test
