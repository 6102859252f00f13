// SPDX-License-Identifier: Apache-2.0
// Prostate Grade derived from the two Gleason scores (CS Site-Specific
// Factors 8 and 10 of the Prostate schema).
#pragma once

#include <string_view>

namespace vexlin {

// Schema index (schema number - 1) of the Prostate schema.
inline constexpr int kProstateSchemaIndex = 120;

// The Grade that the two three-character scores give, or '\0' when they give
// none (both not done or unknown, or either one not a recognised code).
char prostate_grade(std::string_view ssf8, std::string_view ssf10);

}  // namespace vexlin
