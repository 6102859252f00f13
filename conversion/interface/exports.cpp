// SPDX-License-Identifier: Apache-2.0
// The exported C interface: a thin layer over the library's C++ core. No
// exception crosses it; calls that need an open conversion are no-ops
// returning 0 without one.
#include "vexlin150.h"

#include <algorithm>

#include "conversion_state.h"
#include "file_names.h"
#include "library_info.h"
#include "record_entry.h"

using vexlin::library_state;
using vexlin::RecordSpan;

namespace {

// Runs a call into the core; a failure that would otherwise escape becomes
// the fallback result.
template <typename F, typename R>
R guarded(R fallback, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <typename F>
void guarded_void(F&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

RecordSpan record_span(char* record) { return RecordSpan(record, vexlin::kRecordLength); }

}  // namespace

extern "C" {

VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_dll_info(char* info) {
    return guarded(0, [&] {
        if (info) vexlin::fill_info_block(info);
        return 0;
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Convert_buffer_to_150(int record_number, char* record, int /*reserved*/,
                                                                 unsigned char* restage, unsigned char* review) {
    return guarded(0, [&] {
        auto& state = library_state();
        if (!state.conversion_open() || !record) return 0;
        unsigned char restage_flag = 0, review_flag = 0;
        const int flags = vexlin::convert_record(state, record_number, record_span(record), restage_flag, review_flag);
        if (restage) *restage = restage_flag;
        if (review) *review = review_flag;
        return flags;
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Convert_buffer_and_stage(int record_number, char* record, int /*reserved*/,
                                                                    int stage_options, unsigned char* restage,
                                                                    unsigned char* review) {
    return guarded(0, [&] {
        auto& state = library_state();
        if (!state.conversion_open() || !record) return 0;
        unsigned char restage_flag = 0, review_flag = 0;
        const int flags = vexlin::convert_record_and_stage(state, record_number, record_span(record), stage_options,
                                                           restage_flag, review_flag);
        if (restage) *restage = restage_flag;
        if (review) *review = review_flag;
        return flags;
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Set_global_options(int options) {
    library_state().global_options = options;
    return 0;
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Set_field_options(int index, int value) {
    if (index < 0 || index >= vexlin::kFieldOptionCount) return 1;
    library_state().field_options[static_cast<std::size_t>(index)] = value;
    return 0;
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_conversion_results(char* buffer, int length) {
    return guarded(0, [&] {
        auto& state = library_state();
        if (!state.conversion_open()) return 0;
        return state.store->dump(buffer, length);
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Clear_results(void) {
    return guarded(0, [&] {
        auto& state = library_state();
        return state.conversion_open() ? state.store->clear() : 0;
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Initialize_file_conversion(const char* path) {
    return guarded(0, [&] {
        auto& state = library_state();
        // An earlier conversion is released first: it may hold this very
        // database file open.
        state.close_conversion();
        // The path is in the ANSI code page on Windows, as every caller of a
        // char interface there passes it; the store holds names in UTF-8.
        state.open_conversion(vexlin::ResultsStore::for_file(naaccr::os::utf8_from_interface(path ? path : "")));
        return state.store->is_open() ? 1 : 0;
    });
}

VEXLIN150_API void VEXLIN150_CALL vexlin150_Close_file_conversion(void) {
    guarded_void([&] {
        auto& state = library_state();
        if (!state.conversion_open()) return;
        state.store->finish_rows();
        state.store->write_reports();
        state.close_conversion();
    });
}

VEXLIN150_API void VEXLIN150_CALL vexlin150_Initialize_record_conversion(void) {
    guarded_void([&] {
        auto& state = library_state();
        state.close_conversion();
        state.open_conversion(vexlin::ResultsStore::in_memory());
    });
}

VEXLIN150_API void VEXLIN150_CALL vexlin150_Close_record_conversion(void) {
    guarded_void([&] { library_state().close_conversion(); });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Ready_messages(int table, int format, int separator, int buffer_length) {
    return guarded(0, [&] {
        auto& state = library_state();
        return state.conversion_open() ? state.store->ready_messages(table, format, separator, buffer_length) : 0;
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_next_message(char* buffer) {
    return guarded(0, [&] {
        auto& state = library_state();
        if (state.conversion_open() && buffer) state.store->next_message(buffer);
        return 0;
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_result_counters(int* conversions, int* reviewables, int* messages) {
    return guarded(0, [&] {
        auto& state = library_state();
        if (!state.conversion_open()) return 0;
        int c = 0, r = 0, m = 0;
        const int result = state.store->counters(c, r, m);
        if (conversions) *conversions = c;
        if (reviewables) *reviewables = r;
        if (messages) *messages = m;
        return result;
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Set_row_listener(vexlin150_row_listener listener, void* context) {
    return guarded(0, [&] {
        auto& state = library_state();
        state.row_listener = nullptr;
        if (listener)
            state.row_listener = [listener, context](const vexlin::StoredRow& row) {
                constexpr std::size_t kMostTexts = 14;
                const char* texts[kMostTexts];
                int lengths[kMostTexts];
                const std::size_t count = std::min(row.texts.size(), kMostTexts);
                for (std::size_t i = 0; i < count; ++i) {
                    texts[i] = row.texts[i].data() ? row.texts[i].data() : "";
                    lengths[i] = static_cast<int>(row.texts[i].size());
                }
                const vexlin150_row told{static_cast<int>(row.table), row.record_number, static_cast<int>(count),
                                         texts, lengths};
                listener(context, &told);
            };
        if (state.store) state.store->set_row_listener(state.row_listener);
        return 0;
    });
}

VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_results_failure(char* reason, int length) {
    return guarded(0, [&] {
        const vexlin::WriteFailure& failure = library_state().results_failure();
        if (reason && length > 0) {
            // The names in it as the caller passed them: in its code page.
            const std::string text = naaccr::os::interface_text(failure.reason);
            const std::size_t n = std::min(text.size(), static_cast<std::size_t>(length - 1));
            text.copy(reason, n);
            reason[n] = '\0';
        }
        return failure.code;
    });
}

}  // extern "C"
