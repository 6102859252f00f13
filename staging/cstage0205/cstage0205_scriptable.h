// SPDX-License-Identifier: Apache-2.0
// A scriptable double of the Collaborative Stage library, for tests. It
// behaves as the library until a test scripts something: the next
// calculation's result, error word, message and outputs, the schema numbers
// and the texts that the library returns. Tests install its entry points in
// place of the bound library; the conversion library knows nothing of it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cstage0205.h"
#include <cstdint>

namespace cstage_scriptable {

// The derived items, as the data card holds them.
struct DerivedStage {
    std::string ajcc6_t, ajcc6_t_descript, ajcc6_n, ajcc6_n_descript, ajcc6_m, ajcc6_m_descript, ajcc6_stage;
    std::string ajcc7_t, ajcc7_t_descript, ajcc7_n, ajcc7_n_descript, ajcc7_m, ajcc7_m_descript, ajcc7_stage;
    std::string ss1977, ss2000;
    std::uint32_t error_word = 0;
    std::string message;
};

struct ScriptedCalculation {
    int result = 0;
    // Outputs written at their widths (blank padded), then the error word and
    // the message text (cut to fit its area).
    DerivedStage stage;
    // Raw bytes written last at data card offsets: NULs inside an item, a
    // message area without terminator, and so on.
    std::vector<std::pair<std::size_t, std::string>> raw_bytes;
};

// Queues a scripted calculation; each calculation takes the oldest one, and
// runs the library's own calculation when none is queued.
void script_next_calculation(ScriptedCalculation calculation);

// The schema number that the following selections return (nullopt: the
// library's own selection).
void script_schema_number(std::optional<int> number);
// Texts returned by the library; nullptr makes the entry point return NULL.
void script_schema_name(std::optional<const char*> name);  // nullopt: the library's names
void script_version(const char* text);
void script_timestamp(const char* text);

// Back to the library's own behaviour, with the call log cleared.
void reset();

struct CallLog {
    int schema_number_calls = 0;
    int number_of_schemas_calls = 0;
    int calculate_calls = 0;
    int move_to_datacard_calls = 0;
    std::string last_site, last_histology, last_ssf25;  // arguments of the last selection
};
const CallLog& call_log();

// The entry points, with the contract's signatures.
int CSTAGE_CALL get_schema_number(const char* site, const char* hist, const char* ssf25);
int CSTAGE_CALL get_number_of_schemas();
const char* CSTAGE_CALL get_schema_name(int schema_number);
const char* CSTAGE_CALL get_timestamp();
const char* CSTAGE_CALL get_version();
int CSTAGE_CALL calculate(char* datacard);
int CSTAGE_CALL move_naaccr_to_datacard(char* datacard, const char* record);
int CSTAGE_CALL move_datacard_to_naaccr(const char* datacard, char* record);

}  // namespace cstage_scriptable
