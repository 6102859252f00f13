#include "cstage0205_scriptable.h"

#include <cstring>
#include <deque>

#include "cstage0205.h"
#include "datacard.h"
#include "entry_points.h"

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
    const struct {
        std::size_t offset, width;
        const std::string& text;
    } items[] = {
        {CSTAGE_DC_AJCC6_T, 2, s.ajcc6_t}, {CSTAGE_DC_AJCC6_T_DESCRIPT, 1, s.ajcc6_t_descript},
        {CSTAGE_DC_AJCC6_N, 2, s.ajcc6_n}, {CSTAGE_DC_AJCC6_N_DESCRIPT, 1, s.ajcc6_n_descript},
        {CSTAGE_DC_AJCC6_M, 2, s.ajcc6_m}, {CSTAGE_DC_AJCC6_M_DESCRIPT, 1, s.ajcc6_m_descript},
        {CSTAGE_DC_AJCC6_STAGE, 2, s.ajcc6_stage},
        {CSTAGE_DC_AJCC7_T, 3, s.ajcc7_t}, {CSTAGE_DC_AJCC7_T_DESCRIPT, 1, s.ajcc7_t_descript},
        {CSTAGE_DC_AJCC7_N, 3, s.ajcc7_n}, {CSTAGE_DC_AJCC7_N_DESCRIPT, 1, s.ajcc7_n_descript},
        {CSTAGE_DC_AJCC7_M, 3, s.ajcc7_m}, {CSTAGE_DC_AJCC7_M_DESCRIPT, 1, s.ajcc7_m_descript},
        {CSTAGE_DC_AJCC7_STAGE, 3, s.ajcc7_stage},
        {CSTAGE_DC_SS1977, 1, s.ss1977}, {CSTAGE_DC_SS2000, 1, s.ss2000},
    };
    for (const auto& item : items) cstage::put_text(card, item.offset, item.width, item.text);
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
