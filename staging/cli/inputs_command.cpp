// SPDX-License-Identifier: Apache-2.0
// cstage inputs SCHEMA: every input the schema reads, with its NAACCR item
// number and name, its default and its valid codes, and which of the
// site-specific factors the schema uses.
#include <algorithm>
#include <cstdio>

#include "commands.h"
#include "cs_code_lists.h"
#include "naaccr_columns.h"

namespace cstage_cli {
namespace {

// The valid codes of the input as ranges: its validation table's codes,
// ranges bounded by the current year written with that year.
std::string codes_text(const csengine::Engine& engine, const csengine::SchemaInput& input) {
    if (input.table == csengine::kNoTable) return "any (no table checks it)";
    const csengine::Tables& tables = engine.tables();
    const cstage::NaaccrItem* item = cstage::input_item(tables.key_name(input.key));
    std::string text = csengine::compact_codes(csengine::input_code_list(tables, input, item ? item->width : 3));
    const csengine::Table& t = tables.table(input.table);
    std::vector<std::string> bounded;
    bool any = false;
    for (std::uint32_t r = 0; r < t.rows; ++r) {
        const csengine::Cell& cell = t.cell(r, input.table_column);
        any = any || cell.any;
        for (std::uint32_t i = 0; i < cell.count; ++i) {
            const csengine::Range& range = t.ranges[cell.first + i];
            if (range.kind != csengine::Range::Kind::Template) continue;
            const auto bound = [&](csengine::KeyId key, std::string_view written) {
                if (key == csengine::kNoKey) return std::string(written);
                if (tables.key_name(key) == "ctx_year_current") return std::to_string(engine.current_year());
                return std::string(written);
            };
            bounded.push_back(bound(range.lo_key, range.lo) + "-" + bound(range.hi_key, range.hi));
        }
    }
    std::sort(bounded.begin(), bounded.end());
    bounded.erase(std::unique(bounded.begin(), bounded.end()), bounded.end());
    for (const std::string& b : bounded) text += (text.empty() ? "" : ", ") + b;
    if (any) text += text.empty() ? "any" : ", any other";
    if (text.empty()) text = "blank only";
    return text;
}

// For an input the schema is selected by (site, histology, SSF25): the codes
// of its selection table, which are the ones that lead to this schema.
std::string selecting_codes(const csengine::Engine& engine, const csengine::Schema& schema, csengine::KeyId key) {
    const csengine::Table& t = engine.tables().table(schema.selection);
    const auto column = std::find(t.inputs.begin(), t.inputs.end(), key);
    if (column == t.inputs.end()) return {};
    const cstage::NaaccrItem* item = cstage::input_item(engine.tables().key_name(key));
    std::vector<std::string> codes;
    for (std::uint32_t r = 0; r < t.rows; ++r) {
        const csengine::Cell& cell = t.cell(r, static_cast<std::size_t>(column - t.inputs.begin()));
        if (cell.any) return {};  // any code: not what selects the schema
        const std::vector<std::string> more = csengine::cell_code_list(t, cell, item ? item->width : 4);
        codes.insert(codes.end(), more.begin(), more.end());
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return csengine::compact_codes(codes) + " (those that select this schema)";
}

}  // namespace

int inputs_command(const csengine::Engine& engine, const Args& args, std::FILE* out) {
    if (args.size() != 1) throw UsageError("inputs takes one SCHEMA (a number or a name)");
    const csengine::Schema& schema = named_schema(engine, args[0]);
    const csengine::Tables& tables = engine.tables();
    std::string text = "Schema " + schema_title(schema) + " (" + std::string(schema.id) + ")" +
                       (schema.discriminated ? ", selected by site, histology and SSF25" : "") + "\n";
    char line[256];
    std::snprintf(line, sizeof line, "%-26s %-9s %5s  %-34s %-8s %s\n", "input", "factor", "item", "NAACCR name",
                  "default", "valid codes");
    text += line;
    for (const csengine::SchemaInput& input : schema.inputs) {
        const std::string_view key = tables.key_name(input.key);
        const cstage::NaaccrItem* item = cstage::input_item(key);
        const std::string selecting = selecting_codes(engine, schema, input.key);
        const std::string codes = selecting.empty() ? codes_text(engine, input) : selecting;
        // A site-specific factor the schema does not use takes only 988.
        const char* factor = key.substr(0, 3) != "ssf" ? "" : codes == "988" ? "not used" : "used";
        std::snprintf(line, sizeof line, "%-26.*s %-9s %5d  %-34.*s %-8.*s ", static_cast<int>(key.size()), key.data(),
                      factor, input.naaccr_item, item ? static_cast<int>(item->name.size()) : 0,
                      item ? item->name.data() : "", static_cast<int>(input.default_value.size()),
                      input.default_value.data());
        text += line + codes + "\n";
    }
    print(out, text);
    return kExitOk;
}

}  // namespace cstage_cli
