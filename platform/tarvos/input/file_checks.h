// SPDX-License-Identifier: Apache-2.0
// Checks made before anything is written: the input can be read and is a
// NAACCR 14.0 file of full-length records, and the output is neither the
// input nor one of the files the conversion writes beside the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvos {

inline constexpr std::size_t kRecordLength = 22824;
inline constexpr std::string_view kInputVersion = "140";

// The files a conversion writes beside its input, named from the input path
// less its extension.
struct BesideFiles {
    std::string base;
    std::string database;     // .db
    std::string messages;     // .mes
    std::string reviewables;  // .rev
    std::string conversions;  // .cnv
    std::string run_log;      // .log: the records a registrar may want to look at
    std::string summary_page;  // .html: the run on one page
};

BesideFiles beside_files(std::string_view input_path);

// The folder part of a path, with its separator ("" for a bare name), and the
// file name after it; both "/" and "\\" separate folders.
std::string folder_of(const std::string& path);
std::string file_name_of(const std::string& path);
// A name in a folder given as folder_of gives it, or as a plain folder name.
std::string in_folder(const std::string& folder, const std::string& name);

// A path as messages and the summary show it: absolute, so that it can be
// found again.
std::string shown_path(const std::string& path);

// A refusal message, or nothing when the names are fit for a conversion.
std::optional<std::string> check_paths(const std::string& input, const std::string& output);

// What tells that the input is still the file the conversion started from:
// its size and the time of its last change.
struct InputIdentity {
    std::uintmax_t size = 0;
    std::int64_t changed = 0;  // ticks of the file clock
};

// The identity of the input now, or nothing when it cannot be looked at.
std::optional<InputIdentity> input_identity(const std::string& input);

// A refusal message when the input was removed, replaced, cut short or
// written to since its identity was taken; nothing when it is unchanged.
std::optional<std::string> check_input_unchanged(const std::string& input, const InputIdentity& before);

}  // namespace tarvos
