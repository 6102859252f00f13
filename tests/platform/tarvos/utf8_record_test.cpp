// SPDX-License-Identifier: Apache-2.0
// UTF-8 records: what counts as UTF-8 text, and how a record of it is read a
// character a column.
#include "utf8_record.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8Record, LengthCountsCharactersOfValidTextOnly) {
    EXPECT_EQ(tarvos::utf8_length("plain"), 5u);
    EXPECT_EQ(tarvos::utf8_length("caf\xc3\xa9"), 4u);             // two bytes
    EXPECT_EQ(tarvos::utf8_length("\xe2\x82\xac"), 1u);             // three bytes
    EXPECT_EQ(tarvos::utf8_length("\xf0\x9f\x98\x80!"), 2u);        // four bytes
    EXPECT_FALSE(tarvos::utf8_length("caf\xe9"));                   // Windows-1252
    EXPECT_FALSE(tarvos::utf8_length("\xc0\xaf"));                  // overlong
    EXPECT_FALSE(tarvos::utf8_length("\xed\xa0\x80"));              // surrogate
    EXPECT_FALSE(tarvos::utf8_length("\xf4\x90\x80\x80"));          // past U+10FFFF
    EXPECT_FALSE(tarvos::utf8_length("\xc3"));                      // cut short
    EXPECT_FALSE(tarvos::utf8_length("\xe2\x28\xa1"));              // bad continuation
}

TEST(Utf8Record, SqueezeGivesOneByteACharacterAndKeepsTheColumns) {
    char out[6] = {};
    ASSERT_TRUE(tarvos::squeeze_utf8("A\xc3\xa9\xe2\x82\xac" "BC", 5, out));
    EXPECT_EQ(std::string(out, 5), "A\xc3\xe2" "BC");
    EXPECT_FALSE(tarvos::squeeze_utf8("A\xc3\xa9", 3, out));  // one character short
    EXPECT_FALSE(tarvos::squeeze_utf8("A\xe9" "BC", 4, out));  // not UTF-8
}

}  // namespace
