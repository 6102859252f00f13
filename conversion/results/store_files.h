// SPDX-License-Identifier: Apache-2.0
// Names of the files a file conversion keeps beside its input.
#pragma once

#include <string>

namespace vexlin {

// True when both names lead to the same file (the same text, or one file
// reached through two names). The input is never replaced by a file of the store.
bool same_file(const std::string& a, const std::string& b);

}  // namespace vexlin
