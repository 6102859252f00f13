#include "cstage0205_scriptable.h"

#include <cstring>
#include <deque>

#include "standin_api.h"

namespace cstage_scriptable {
namespace {

struct Script {
    std::deque<ScriptedCalculation> calculations;
    std::optional<int> schema_number;
    std::optional<const char*> schema_name;
    const char* version = cstage_standin::kVersionText;
    const char* timestamp = cstage_standin::kTimestampText;
    CallLog log;
};

Script& script() {
    static Script s;
    return s;
}

}  // namespace

void script_next_calculation(ScriptedCalculation calculation) {
    script().calculations.push_back(std::move(calculation));
}
void script_schema_number(std::optional<int> number) { script().schema_number = number; }
void script_schema_name(std::optional<const char*> name) { script().schema_name = name; }
void script_version(const char* text) { script().version = text; }
void script_timestamp(const char* text) { script().timestamp = text; }
void reset() { script() = Script{}; }
const CallLog& call_log() { return script().log; }

int CSTAGE_CALL get_schema_number(const char* site, const char* hist, const char* ssf25) {
    CallLog& log = script().log;
    ++log.schema_number_calls;
    log.last_site = site ? site : "";
    log.last_histology = hist ? hist : "";
    log.last_ssf25 = ssf25 ? ssf25 : "";
    if (script().schema_number) return *script().schema_number;
    return cstage_standin::schema_number(site, hist, ssf25);
}

int CSTAGE_CALL get_number_of_schemas() {
    ++script().log.number_of_schemas_calls;
    return cstage_standin::number_of_schemas();
}

const char* CSTAGE_CALL get_schema_name(int schema_number) {
    if (script().schema_name) return *script().schema_name;
    return cstage_standin::schema_name_text(schema_number);
}

const char* CSTAGE_CALL get_timestamp() { return script().timestamp; }
const char* CSTAGE_CALL get_version() { return script().version; }

int CSTAGE_CALL calculate(char* datacard) {
    ++script().log.calculate_calls;
    std::deque<ScriptedCalculation>& queue = script().calculations;
    if (queue.empty() || !datacard) return cstage_standin::calculate(datacard);
    const ScriptedCalculation next = std::move(queue.front());
    queue.pop_front();
    cstage_standin::write_derived_stage(datacard, next.stage);
    for (const auto& [offset, bytes] : next.raw_bytes)
        if (offset <= CSTAGE_DATACARD_SIZE && bytes.size() <= CSTAGE_DATACARD_SIZE - offset)
            std::memcpy(datacard + offset, bytes.data(), bytes.size());
    return next.result;
}

int CSTAGE_CALL move_naaccr_to_datacard(char* datacard, const char* record) {
    ++script().log.move_to_datacard_calls;
    return cstage_standin::move_naaccr_to_datacard(datacard, record);
}

int CSTAGE_CALL move_datacard_to_naaccr(const char* datacard, char* record) {
    return cstage_standin::move_datacard_to_naaccr(datacard, record);
}

}  // namespace cstage_scriptable
