// SPDX-License-Identifier: Apache-2.0
// The library's process-wide state: the open conversion, the options and the
// per-record scratch. Single-threaded; calls must not overlap.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "cs_bridge.h"
#include "results_store.h"

namespace vexlin {

inline constexpr int kFieldOptionCount = 527;
inline constexpr std::size_t kMessageSlots = 10;
inline constexpr std::size_t kMessageTextLength = 3000;  // slot size, terminator included

// Scratch of the record being converted; cleared at the start of every record.
struct RecordScratch {
    std::array<std::int32_t, kFieldOptionCount> changed_fields{};
    std::array<std::string, kMessageSlots> messages;
    std::size_t message_count = 0;

    void clear();
    // Appends a message, cut to its slot; a full list takes no more.
    void append_message(std::string_view text);
    bool any_field_changed() const;
};

struct LibraryState {
    std::unique_ptr<CsBridge> bridge;
    std::unique_ptr<ResultsStore> store;
    std::int32_t global_options = 0;
    std::array<std::int32_t, kFieldOptionCount> field_options{};
    RecordScratch scratch;
    // The first failed write of the results of the conversion closed last:
    // kept after its store is gone, so that the caller can ask once the
    // reports are written.
    WriteFailure closed_failure;
    // Told of every row stored, in every conversion opened from now on.
    RowListener row_listener;

    bool conversion_open() const { return bridge && store; }
    // The first failed write of the open conversion's results, else of the
    // conversion closed last.
    const WriteFailure& results_failure() const { return store ? store->write_failure() : closed_failure; }
    // Opens a conversion, releasing one that is still open (no reports).
    void open_conversion(ResultsStore new_store);
    // Frees the bridge, then closes and destroys the store.
    void close_conversion();
};

LibraryState& library_state();

}  // namespace vexlin
