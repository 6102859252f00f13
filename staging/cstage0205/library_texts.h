// SPDX-License-Identifier: Apache-2.0
// The texts the library gives about itself.
#pragma once

namespace cstage {

// Its first six characters are the algorithm's version, written as CS
// Version Derived.
inline constexpr const char* kVersionText = "020550 engine over the published CS 02.05.50 tables";
inline constexpr const char* kTimestampText =
    "CS 02.05.50 tables, cs-02.05.50.zip SHA-256 7724ec90029cb9a8b19bc56b36e4d64445328973f8534c5e2130ffd6c55b7e88";

}  // namespace cstage
