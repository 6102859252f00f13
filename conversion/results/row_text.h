// SPDX-License-Identifier: Apache-2.0
// One row of a results table as one line of text, in the shape the driving
// program asked for.
#pragma once

#include <span>
#include <string>

#include "results_store.h"

namespace vexlin {

// values: the row's columns in table order, the record number in decimal.
// Rows of messages give the message text alone, whatever the format; a format
// other than the three known ones gives the Delimited shape.
std::string row_text(MessageTable table, MessageFormat format, std::span<const std::string> values,
                     char separator);

}  // namespace vexlin
