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
    return std::any_of(changed_fields.begin(), changed_fields.end(), [](std::int32_t v) { return v != 0; });
}

void LibraryState::open_conversion(ResultsStore new_store) {
    close_conversion();
    closed_failure = {};
    bridge = std::make_unique<CsBridge>();
    store = std::make_unique<ResultsStore>(std::move(new_store));
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
