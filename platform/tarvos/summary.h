// The summary printed at the end of a conversion.
#pragma once

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
    std::string stand_in_version;  // non-empty when stage came from the stand-in
    std::string output;
    BesideFiles beside;
};

std::string summary_text(const Summary& summary);

}  // namespace tarvos
