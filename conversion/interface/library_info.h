// SPDX-License-Identifier: Apache-2.0
// The library's information block: versions of this library and of the bound
// Collaborative Stage library.
#pragma once

#include <cstddef>

namespace vexlin {

inline constexpr std::size_t kInfoBlockSize = 192;
inline constexpr const char* kLibraryVersion = "1.0.6";
inline constexpr const char* kBuildDate = "Mar 16 2015";
inline constexpr const char* kBuildTime = "15:52:28";
// Organisation and contact address; both lines fit the 63 characters of their slot.
inline constexpr const char* kMakerAndContact = "Halden Suite Registry Software\nsupport@halden-suite.example";

// Fills the 192-byte block; every field is NUL-terminated inside its slot.
void fill_info_block(char* block);

}  // namespace vexlin
