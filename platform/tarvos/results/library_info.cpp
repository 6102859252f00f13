// SPDX-License-Identifier: Apache-2.0
#include "library_info.h"

#include <vector>

#include "morvelio.h"
#include "os_support.h"
#include "summary.h"
#include "vexlin150.h"

namespace tarvos {
namespace {

// A NUL-padded text of at most max characters in a fixed slot.
std::string slot_text(const char* slot, std::size_t max) {
    std::size_t n = 0;
    while (n < max && slot[n] != '\0') ++n;
    return std::string(slot, n);
}

}  // namespace

LibraryInfo conversion_library_info() {
    std::vector<char> block(VEXLIN150_INFO_SIZE + 1, 0);
    vexlin150_Get_dll_info(block.data());
    LibraryInfo info;
    // Slots of the information block: version, build date, and the
    // Collaborative Stage library's version and timestamp.
    info.version = slot_text(block.data(), 16);
    info.date = slot_text(block.data() + 16, 16);
    info.cs_version = information_slot_text(block.data() + 112, 16);
    info.cs_timestamp = information_slot_text(block.data() + 128, 64);
    // The whole texts, when the Collaborative Stage library can be asked.
    if (std::string full = collaborative_stage_text("CStage_get_version"); !full.empty()) info.cs_version = full;
    if (std::string full = collaborative_stage_text("CStage_get_timestamp"); !full.empty()) info.cs_timestamp = full;
    return info;
}

std::string version_text(const char* runner_version) {
    const LibraryInfo library = conversion_library_info();
    std::vector<char> block(MORVELIO_INFO_SIZE + 1, 0);
    hsGet_morvelio_dll_info(block.data());
    std::string text = std::string("tarvos ") + runner_version + "\n";
    text += "vexlin150 " + library.version + ", " + library.date + "\n";
    text += "morvelio " + std::string(block.data() + MORVELIO_INFO_VERSION) + ", " +
            std::string(block.data() + MORVELIO_INFO_DATE) + "\n";
    text += "Collaborative Stage " + library.cs_version + ", " + library.cs_timestamp + "\n";
    return text;
}

}  // namespace tarvos
