// SPDX-License-Identifier: Apache-2.0
// The summary printed at the end of a conversion.
#pragma once

#include <cstddef>
#include <string>

#include "file_checks.h"
#include "record_stream.h"

namespace tarvos {

struct Summary {
    StreamCounts counts;
    int conversions = 0;
    int reviewables = 0;
    int messages = 0;
    bool database_open = true;
    bool derived = false;
    // The Collaborative Stage library's version text and its timestamp, which
    // names the tables it stages with; shown when stage was derived.
    std::string cs_version;
    std::string cs_tables;
    std::string output;
    BesideFiles beside;
};

std::string summary_text(const Summary& summary);

// A text of a fixed slot of the conversion library's information block: up to
// the first NUL, at most size characters. The library keeps the last byte of
// a slot for the NUL, so a text that fills the rest may have been cut there:
// it is shown with "..." after it.
std::string information_slot_text(const char* slot, std::size_t size);

// "1,234,567": counts as a registrar reads them.
std::string grouped(std::uint64_t value);

}  // namespace tarvos
