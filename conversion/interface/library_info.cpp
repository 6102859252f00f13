// SPDX-License-Identifier: Apache-2.0
#include "library_info.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "cs_entry_points.h"

namespace vexlin {
namespace {

struct InfoSlot {
    std::size_t offset;
    std::size_t size;
};

constexpr InfoSlot kVersionSlot{0, 16};
constexpr InfoSlot kDateSlot{16, 16};
constexpr InfoSlot kTimeSlot{32, 16};
constexpr InfoSlot kMakerSlot{48, 64};
constexpr InfoSlot kCsVersionSlot{112, 16};
constexpr InfoSlot kCsTimestampSlot{128, 64};

// Copies at most size - 1 characters and pads the slot with NULs.
void put_slot(char* block, InfoSlot slot, const char* text) {
    const std::string_view value = text ? std::string_view(text) : std::string_view();
    const std::size_t n = std::min(value.size(), slot.size - 1);
    std::memset(block + slot.offset, 0, slot.size);
    std::memcpy(block + slot.offset, value.data(), n);
}

}  // namespace

void fill_info_block(char* block) {
    const CsEntryPoints& cs = cs_entry_points();
    put_slot(block, kVersionSlot, kLibraryVersion);
    put_slot(block, kDateSlot, kBuildDate);
    put_slot(block, kTimeSlot, kBuildTime);
    put_slot(block, kMakerSlot, kMakerAndContact);
    put_slot(block, kCsVersionSlot, cs.get_version ? cs.get_version() : nullptr);
    put_slot(block, kCsTimestampSlot, cs.get_timestamp ? cs.get_timestamp() : nullptr);
}

}  // namespace vexlin
