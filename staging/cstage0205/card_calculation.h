// SPDX-License-Identifier: Apache-2.0
// CStage_calculate over the engine: the card's inputs in, the storage outputs,
// the error word and the message text out.
#pragma once

#include <cstdint>
#include <string>

#include "cs_engine.h"

namespace cstage {

// Derives stage for the card's inputs and writes the outputs, error word and
// message into the card. Returns 0 when no problem was recorded, else 1.
int calculate_card(const csengine::Engine& engine, char* card);

// The error word for a result: the problem bits, and a bit for every storage
// item left blank.
std::uint32_t error_word_for(const csengine::Engine& engine, const csengine::Result& result);

}  // namespace cstage
