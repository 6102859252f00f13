// SPDX-License-Identifier: Apache-2.0
// Path texts as the dialog handles them: trimming, letter-case comparison,
// the files a conversion writes beside its input, and the help file's place.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "beside_files.h"

namespace quillmar {

// The text less its leading blanks (spaces and tabs).
std::string_view trim_leading_blanks(std::string_view text);

// Equal ignoring the letter case of A to Z, as Windows compares file names.
bool equal_ignoring_case(std::string_view a, std::string_view b);

// The conversion names its database and reports from the input path less its
// extension, with these suffixes.
using vexlin::base_path_of;
inline constexpr auto& side_file_suffixes = vexlin::kBesideFileSuffixes;

// The first word of a command line: a quoted word without its quotes, else
// the text up to the first blank.
std::string_view first_command_word(std::string_view command_line);

// The help file beside the program: the program path cut at its last
// backslash, then "\quillmar150.chm".
std::string help_file_path(std::string_view program_path);

}  // namespace quillmar
