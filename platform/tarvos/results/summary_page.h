// SPDX-License-Identifier: Apache-2.0
// The summary page of a run: one HTML file beside the input, with its style,
// its charts (SVG) and a little script for sorting and filtering tables
// inside, so that it opens anywhere without a network. Every table is in the
// page itself; the script only adds the sorting and the filter boxes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record_stream.h"
#include "summary_data.h"

namespace tarvos {

// The notes of the records that need attention kept for the page; the rest
// are counted.
inline constexpr std::size_t kNotesShown = 1000;

struct PageContent {
    std::string input, output;
    char record_type = 0;
    std::string line_ends;  // "LF", "CR LF", "CR" or "none"
    std::uint64_t records = 0;
    std::string started;  // local time the run started
    double seconds = 0;   // from the start to the page
    std::string runner_version, library_version, cs_version, cs_tables;
    bool derived = false;
    int stage_options = 0;
    StreamCounts counts;
    ResultsData results;
    std::vector<std::string> notes;  // run log lines, the first kNotesShown
    std::uint64_t notes_total = 0;
};

// Text made safe for HTML content and attribute values.
std::string html_escape(std::string_view text);

// A horizontal bar chart of the conversions by type, as inline SVG.
std::string conversions_chart_svg(const std::vector<ConversionsOfType>& by_type);

std::string summary_page_html(const PageContent& content);

// Writes the page to path (a new file, replacing any there); the error, or
// an empty text when it was written.
std::string write_summary_page(const std::string& path, const PageContent& content);

// "LF", "CR LF", "CR" or "none" for a line end.
std::string line_end_name(std::string_view end);

}  // namespace tarvos
