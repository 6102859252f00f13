// SPDX-License-Identifier: Apache-2.0
// Binding of the Collaborative Stage library on POSIX systems. The conversion
// library is linked against libcstage0205 with immediate binding, so the
// dynamic loader finds the library by name and resolves the eight entry points
// by name when the conversion library is loaded; a missing library or entry
// point makes that load fail. The loader releases it when we are unloaded.
#include "cs_entry_points.h"

namespace {

__attribute__((constructor)) void bind_collaborative_stage() {
    vexlin::CsEntryPoints entry_points;
    entry_points.get_schema_number = &CStage_get_schema_number;
    entry_points.get_number_of_schemas = &CStage_get_number_of_schemas;
    entry_points.get_schema_name = &CStage_get_schema_name;
    entry_points.get_timestamp = &CStage_get_timestamp;
    entry_points.get_version = &CStage_get_version;
    entry_points.calculate = &CStage_calculate;
    entry_points.move_naaccr_to_datacard = &CStage_move_naaccr_to_datacard;
    entry_points.move_datacard_to_naaccr = &CStage_move_datacard_to_naaccr;
    vexlin::set_cs_entry_points(entry_points);
    entry_points.get_number_of_schemas();
}

}  // namespace
