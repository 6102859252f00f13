// The stand-in's eight entry points as plain functions. cstage0205.cpp exports
// them under the contract's names; the scriptable test double forwards to
// them whenever a test has scripted nothing.
#pragma once

namespace cstage_standin {

// Version text: its first six characters are no Collaborative Stage version,
// so CS Version Derived marks every record that the stand-in staged.
inline constexpr const char* kVersionText = "000000 stand-in, not a Collaborative Stage library";
inline constexpr const char* kTimestampText = "stand-in built " __DATE__ " " __TIME__ ", no real staging";

int schema_number(const char* site, const char* hist, const char* ssf25);
int number_of_schemas();
const char* schema_name_text(int schema_number);
int calculate(char* datacard);
int move_naaccr_to_datacard(char* datacard, const char* record);
int move_datacard_to_naaccr(const char* datacard, char* record);

}  // namespace cstage_standin
