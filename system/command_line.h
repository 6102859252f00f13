// SPDX-License-Identifier: Apache-2.0
// A program's arguments as UTF-8 text. On Windows the arguments are read from
// the wide command line, so that a name outside the ANSI code page arrives
// whole (the narrow argv holds '?' for each of its characters).
#pragma once

#include <string>
#include <vector>

namespace naaccr::os {

// The arguments after the program's name.
std::vector<std::string> arguments_in_utf8(int argc, char** argv);

}  // namespace naaccr::os
