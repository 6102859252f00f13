// SPDX-License-Identifier: Apache-2.0
// Where a NAACCR record says what it is: column 1 holds the record type,
// columns 17-19 the NAACCR version (0-based offsets below).
#pragma once

#include <cstddef>

namespace naaccr {

inline constexpr std::size_t kRecordTypeOffset = 0;
inline constexpr std::size_t kVersionOffset = 16;
inline constexpr std::size_t kVersionWidth = 3;

}  // namespace naaccr
