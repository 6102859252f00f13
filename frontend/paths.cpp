// SPDX-License-Identifier: Apache-2.0
#include "paths.h"

#include <algorithm>

namespace quillmar {

namespace {

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string_view trim_leading_blanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lower_ascii(x) == lower_ascii(y); });
}

std::string_view first_command_word(std::string_view command_line) {
    if (!command_line.empty() && command_line.front() == '"') {
        const std::string_view rest = command_line.substr(1);
        return rest.substr(0, rest.find('"'));
    }
    return command_line.substr(0, command_line.find_first_of(" \t"));
}

std::string help_file_path(std::string_view program_path) {
    const std::size_t cut = program_path.rfind('\\');
    const std::string_view directory = cut == std::string_view::npos ? std::string_view{} : program_path.substr(0, cut);
    return std::string(directory) + "\\quillmar150.chm";
}

}  // namespace quillmar
