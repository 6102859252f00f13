// SPDX-License-Identifier: Apache-2.0
#include "scriptable_cs.h"

namespace vexlin::test {

CsEntryPoints scriptable_entry_points() {
    CsEntryPoints e;
    e.get_schema_number = &cstage_scriptable::get_schema_number;
    e.get_number_of_schemas = &cstage_scriptable::get_number_of_schemas;
    e.get_schema_name = &cstage_scriptable::get_schema_name;
    e.get_timestamp = &cstage_scriptable::get_timestamp;
    e.get_version = &cstage_scriptable::get_version;
    e.calculate = &cstage_scriptable::calculate;
    e.move_naaccr_to_datacard = &cstage_scriptable::move_naaccr_to_datacard;
    e.move_datacard_to_naaccr = &cstage_scriptable::move_datacard_to_naaccr;
    return e;
}

}  // namespace vexlin::test
