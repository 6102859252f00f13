// SPDX-License-Identifier: Apache-2.0
// The versions of the libraries a run drives, as the summary, the page and
// --version show them.
#pragma once

#include <string>

namespace tarvos {

struct LibraryInfo {
    std::string version, date;
    // The Collaborative Stage library's version text and timestamp (which
    // names its tables).
    std::string cs_version, cs_timestamp;
};

// The conversion library's information block, with the Collaborative Stage
// library's texts whole where that library can be asked.
LibraryInfo conversion_library_info();

// "tarvos 1.0.6" and the versions of the libraries it drives.
std::string version_text(const char* runner_version);

}  // namespace tarvos
