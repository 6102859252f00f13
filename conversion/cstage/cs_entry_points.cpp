// SPDX-License-Identifier: Apache-2.0
#include "cs_entry_points.h"

namespace vexlin {
namespace {
CsEntryPoints g_entry_points;
}

const CsEntryPoints& cs_entry_points() { return g_entry_points; }

void set_cs_entry_points(const CsEntryPoints& entry_points) { g_entry_points = entry_points; }

}  // namespace vexlin
