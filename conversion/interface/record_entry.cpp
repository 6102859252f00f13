// SPDX-License-Identifier: Apache-2.0
#include "record_entry.h"

#include <cstring>
#include <string>

#include "cs_entry_points.h"
#include "general_rules.h"
#include "printable_bytes.h"
#include "stage_writeback.h"

namespace vexlin {
namespace {

std::string schema_failure_text(int schema_number, ConstRecordSpan record, int& flag) {
    const std::string site(get_field(record, field::kPrimarySite));
    const std::string histology(get_field(record, field::kHistology));
    if (schema_number == CSTAGE_NO_SCHEMA_FOR_SITE) {
        flag = kFlagNoSchemaForSite;
        return "CS cannot find a schema for site '" + site + "', which may be invalid. ";
    }
    if (schema_number == CSTAGE_NO_SCHEMA_FOR_HISTOLOGY) {
        flag = kFlagNoSchemaForHistology;
        return "CS cannot find a schema for histology '" + histology + "', which may be invalid. ";
    }
    flag = kFlagSchemaFailure;
    return "CS schema selection fails for site '" + site + "', hist '" + histology + "', ssf25 '" +
           std::string(get_field(record, field::kCsSsf25)) + "'.";
}

// The record entry on a record already cleaned, whose Patient ID the caller
// copied before the rules start.
int convert_cleaned(LibraryState& state, int record_number, RecordSpan record, const FieldText<8>& patient_id,
                    unsigned char& restage, unsigned char& review) {
    CsBridge& bridge = *state.bridge;
    bridge.select_schema(get_field(record, field::kDiagnosisYear), get_field(record, field::kPrimarySite),
                         get_field(record, field::kHistology), get_field(record, field::kCsSsf25));
    state.scratch.clear();

    int flags = 0;
    // The year test compares characters: blanks or any text sorting below
    // "2004" log nothing.
    if (get_field(record, field::kDiagnosisYear) >= "2004" && !bridge.has_valid_schema()) {
        int flag = 0;
        const std::string text = schema_failure_text(bridge.schema_number(), record, flag);
        state.store->log_message(record_number, patient_id.c_str(), text);
        flags |= flag;
    }

    flags |= apply_general_rules(*state.store, bridge.schema_index(), record_number, record, restage, review);
    if (state.scratch.any_field_changed()) flags |= kFlagFieldChanged;
    return flags;
}

}  // namespace

void clean_record(RecordSpan record) {
    // Most records are clean: they are only read.
    if (!all_printable(record)) blank_unprintable(record);
}

int convert_record(LibraryState& state, int record_number, RecordSpan record, unsigned char& restage,
                   unsigned char& review) {
    // The Patient ID is taken after cleaning, so that a line end or control
    // byte in it cannot reach a message row or split a report line.
    clean_record(record);
    const FieldText<8> patient_id(record, field::kPatientId);
    return convert_cleaned(state, record_number, record, patient_id, restage, review);
}

int convert_record_and_stage(LibraryState& state, int record_number, RecordSpan record, int stage_options,
                             unsigned char& restage, unsigned char& review) {
    clean_record(record);
    const FieldText<8> patient_id(record, field::kPatientId);
    int flags = convert_cleaned(state, record_number, record, patient_id, restage, review);
    const StageOutcome outcome = derive_and_write_stage(cs_entry_points(), record, stage_options, restage != 0);
    flags |= outcome.flags;
    // The reasons of a calculation error are logged as the schema failure
    // is, after it: a row for each line the library wrote.
    state.store->log_messages(record_number, patient_id.c_str(), outcome.messages);
    for (const std::string& message : outcome.messages) state.scratch.append_message(message);
    return flags;
}

}  // namespace vexlin
