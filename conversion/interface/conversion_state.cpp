// SPDX-License-Identifier: Apache-2.0
#include "conversion_state.h"

#include <algorithm>

namespace vexlin {

void RecordScratch::clear() {
    changed_fields.fill(0);
    for (std::string& m : messages) m.clear();
    message_count = 0;
}

void RecordScratch::append_message(std::string_view text) {
    if (message_count >= messages.size()) return;
    messages[message_count++].assign(text.substr(0, kMessageTextLength - 1));
}

bool RecordScratch::any_field_changed() const {
    // Looked at for every record: every entry is ORed, with no early stop,
    // so that the compiler can take many entries at a time.
    std::int32_t any = 0;
    for (const std::int32_t v : changed_fields) any |= v;
    return any != 0;
}

void LibraryState::open_conversion(ResultsStore new_store) {
    close_conversion();
    closed_failure = {};
    bridge = std::make_unique<CsBridge>();
    store = std::make_unique<ResultsStore>(std::move(new_store));
    store->set_row_listener(row_listener);
}

void LibraryState::close_conversion() {
    bridge.reset();
    if (!store) return;
    store->close();
    closed_failure = store->write_failure();
    store.reset();
}

LibraryState& library_state() {
    static LibraryState state;
    return state;
}

}  // namespace vexlin
