// SPDX-License-Identifier: Apache-2.0
#include "cstage0205_scriptable.h"

#include <cstring>
#include <deque>

#include "cstage0205.h"
#include "datacard.h"
#include "entry_points.h"
#include "naaccr_columns.h"

namespace cstage_scriptable {
namespace {

struct Script {
    std::deque<ScriptedCalculation> calculations;
    std::optional<int> schema_number;
    std::optional<const char*> schema_name;
    const char* version = cstage::version();
    const char* timestamp = cstage::timestamp();
    CallLog log;
};

Script& script() {
    static Script s;
    return s;
}

void write_stage(char* card, const DerivedStage& s) {
    // In the order of the library's table of output columns.
    const std::string* texts[] = {&s.ajcc6_t, &s.ajcc6_t_descript, &s.ajcc6_n, &s.ajcc6_n_descript,
                                  &s.ajcc6_m, &s.ajcc6_m_descript, &s.ajcc6_stage, &s.ajcc7_t,
                                  &s.ajcc7_t_descript, &s.ajcc7_n, &s.ajcc7_n_descript, &s.ajcc7_m,
                                  &s.ajcc7_m_descript, &s.ajcc7_stage, &s.ss1977, &s.ss2000};
    const auto items = cstage::output_items();
    for (std::size_t i = 0; i < std::size(texts); ++i)
        cstage::put_text(card, items[i].card, items[i].width, *texts[i]);
    cstage::set_error_word(card, s.error_word);
    cstage::set_message(card, s.message);
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
    return cstage::schema_number(site, hist, ssf25);
}

int CSTAGE_CALL get_number_of_schemas() {
    ++script().log.number_of_schemas_calls;
    return cstage::number_of_schemas();
}

const char* CSTAGE_CALL get_schema_name(int schema_number) {
    if (script().schema_name) return *script().schema_name;
    return cstage::schema_name(schema_number);
}

const char* CSTAGE_CALL get_timestamp() { return script().timestamp; }
const char* CSTAGE_CALL get_version() { return script().version; }

int CSTAGE_CALL calculate(char* datacard) {
    ++script().log.calculate_calls;
    std::deque<ScriptedCalculation>& queue = script().calculations;
    if (queue.empty() || !datacard) return cstage::calculate(datacard);
    const ScriptedCalculation next = std::move(queue.front());
    queue.pop_front();
    write_stage(datacard, next.stage);
    for (const auto& [offset, bytes] : next.raw_bytes)
        if (offset <= CSTAGE_DATACARD_SIZE && bytes.size() <= CSTAGE_DATACARD_SIZE - offset)
            std::memcpy(datacard + offset, bytes.data(), bytes.size());
    return next.result;
}

int CSTAGE_CALL move_naaccr_to_datacard(char* datacard, const char* record) {
    ++script().log.move_to_datacard_calls;
    return cstage::move_naaccr_to_datacard(datacard, record);
}

int CSTAGE_CALL move_datacard_to_naaccr(const char* datacard, char* record) {
    return cstage::move_datacard_to_naaccr(datacard, record);
}

}  // namespace cstage_scriptable
