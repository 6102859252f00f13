// SPDX-License-Identifier: Apache-2.0
// The subcommands of cstage, the Collaborative Stage workbench: each takes
// its arguments (after the subcommand's name), writes to out, and returns the
// program's exit code. A usage error is thrown as UsageError and becomes exit
// code 2 with its one line on the error stream.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cs_engine.h"

namespace cstage_cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitProblems = 1;  // no schema, a problem, a difference
inline constexpr int kExitUsage = 2;     // a usage error, an unreadable file

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Args = std::vector<std::string_view>;

int schema_command(const csengine::Engine& engine, const Args& args, std::FILE* out);
int inputs_command(const csengine::Engine& engine, const Args& args, std::FILE* out);
int derive_command(const csengine::Engine& engine, const Args& args, std::FILE* out);
int audit_command(const csengine::Engine& engine, const Args& args, std::FILE* out);

// The schema a person names: its number (121), name (Prostate) or id
// (prostate), names in any case; a usage error when none has it.
const csengine::Schema& named_schema(const csengine::Engine& engine, std::string_view name);

// "121 Prostate"
std::string schema_title(const csengine::Schema& schema);

// Writes text to out.
void print(std::FILE* out, std::string_view text);

}  // namespace cstage_cli
