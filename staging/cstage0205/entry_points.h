// SPDX-License-Identifier: Apache-2.0
// The eight entry points as plain functions over the engine. cstage0205.cpp
// exports them under the contract's names; the scriptable test double
// forwards to them whenever a test has scripted nothing.
#pragma once

namespace cstage {

int schema_number(const char* site, const char* hist, const char* ssf25);
int number_of_schemas();
const char* schema_name(int schema_number);
const char* timestamp();
const char* version();
int calculate(char* datacard);
int move_naaccr_to_datacard(char* datacard, const char* record);
int move_datacard_to_naaccr(const char* datacard, char* record);

}  // namespace cstage
