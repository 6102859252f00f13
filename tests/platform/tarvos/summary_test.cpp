// SPDX-License-Identifier: Apache-2.0
// The runner's summary: the line naming the Collaborative Stage library and
// its tables, and the texts it takes from the information block's slots.
#include "summary.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

using tarvos::information_slot_text;

tarvos::Summary summary_with_stage(bool derived) {
    tarvos::Summary s;
    s.database_open = false;
    s.derived = derived;
    s.cs_version = "020550 engine o...";
    s.cs_tables = "CS 02.05.50 tables, pinned";
    s.output = "/data/out.txt";
    return s;
}

TEST(Summary, NamesTheCollaborativeStageLibraryAndItsTablesWhenStageWasDerived) {
    const std::string derived = tarvos::summary_text(summary_with_stage(true));
    EXPECT_NE(derived.find("\nStage derived by the Collaborative Stage library 020550 engine o... "
                           "(CS 02.05.50 tables, pinned)\n"),
              std::string::npos)
        << derived;
    const std::string converted_only = tarvos::summary_text(summary_with_stage(false));
    EXPECT_EQ(converted_only.find("Collaborative Stage"), std::string::npos) << converted_only;
}

TEST(Summary, SlotTextsStopAtTheNulAndAFullSlotIsMarked) {
    std::array<char, 16> slot{};
    std::strcpy(slot.data(), "020550");
    EXPECT_EQ(information_slot_text(slot.data(), slot.size()), "020550");
    // As the conversion library fills it: 15 characters and the NUL.
    std::memcpy(slot.data(), "020550 engine over", 15);
    EXPECT_EQ(information_slot_text(slot.data(), slot.size()), "020550 engine o...");
    // A slot without a NUL is read no further than its size.
    std::memset(slot.data(), 'x', slot.size());
    EXPECT_EQ(information_slot_text(slot.data(), slot.size()), std::string(16, 'x') + "...");
    slot.fill('\0');
    EXPECT_EQ(information_slot_text(slot.data(), slot.size()), "");
}

}  // namespace
