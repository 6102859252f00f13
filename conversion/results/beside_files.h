// SPDX-License-Identifier: Apache-2.0
// The files a file conversion writes beside its input: the results database
// and the three reports, all named from the input path less its extension
// (both extensions of a ".gz" file).
// Shared by the conversion library, the runner and the dialog, which must all
// agree on these names.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vexlin {

// The input path less the extension of its file name; a gzip-compressed
// file's ".gz" (in any letter case) goes first, so that "in.txt.gz" gives
// "in" as "in.txt" does. A dot inside a folder name is no extension; both "/"
// and "\" separate folders.
inline std::string base_path_of(std::string_view input_path) {
    const std::size_t name_start = input_path.find_last_of("/\\");
    const std::size_t name_at = name_start == std::string_view::npos ? 0 : name_start + 1;
    if (const std::string_view name = input_path.substr(name_at);
        name.size() > 3 && name[name.size() - 3] == '.' && (name[name.size() - 2] | 0x20) == 'g' &&
        (name.back() | 0x20) == 'z')
        input_path.remove_suffix(3);
    const std::size_t dot = input_path.rfind('.');
    if (dot == std::string_view::npos) return std::string(input_path);
    if (name_start != std::string_view::npos && dot < name_start) return std::string(input_path);
    return std::string(input_path.substr(0, dot));
}

// Suffixes of the database and of the messages, reviewables and conversions reports.
inline constexpr std::array<std::string_view, 4> kBesideFileSuffixes = {".db", ".mes", ".rev", ".cnv"};

}  // namespace vexlin
