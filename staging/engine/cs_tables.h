// SPDX-License-Identifier: Apache-2.0
// The Collaborative Stage tables as the engine holds them: every table,
// schema and mapping of the compact form, with keys interned as small numbers,
// cells split into prepared ranges and a row index per table. Built once from
// the compact text; read-only afterwards, so any number of threads may share it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cs_code_index.h"
#include "cs_ranges.h"

namespace csengine {

using TableId = std::uint32_t;
inline constexpr TableId kNoTable = 0xFFFFFFFF;

struct Cell {
    bool any = false;  // "*"
    std::uint32_t first = 0, count = 0;  // ranges in Table::ranges
};

struct Endpoint {
    enum class Kind : std::uint8_t { Value, Jump, Error, Match, Stop };
    Kind kind = Kind::Match;
    KeyId key = kNoKey;           // the column's key
    KeyId template_key = kNoKey;  // Value: VALUE:{{key}} copies that key's value
    TableId jump = kNoTable;      // Jump: the table jumped to
    std::string_view text;        // Value: the value; Error: the message
};

// Rows whose index column holds single values are found through the value
// (a span of rows); the others (wildcards, ranges) are always candidates.
struct RowIndex {
    std::uint32_t column = 0;
    CodeIndex by_value;
    std::vector<std::uint32_t> rows;    // the spans' rows, in row order within each span
    std::vector<std::uint32_t> always;

    // How many rows a search looks at on average: the rows that are always
    // candidates and those under one value of the column.
    double average_candidates() const {
        const std::size_t values = by_value.size();
        return static_cast<double>(always.size()) +
               (values ? static_cast<double>(rows.size()) / static_cast<double>(values) : 0.0);
    }
};

// For a table whose index leaves many rows to look at: by column, a bit per
// row for each single code of the column, set where the row's cell holds the
// code or holds no single codes (a wildcard or ranges), and one such set for
// the values no cell names. A row can match only where the set of every
// column's value has its bit: the candidates come out in row order, and
// values that no row takes are answered without looking at a row.
struct RowFilter {
    std::uint32_t words = 0;           // 64-bit words per set; 0 when the table has none
    std::vector<CodeIndex> by_value;   // by column: code to Span{first word of its set}
    std::vector<std::uint32_t> other;  // by column: first word of the set for values no cell names
    std::vector<std::uint64_t> bits;
};

// A table is filtered when its index leaves at least this many rows to look at
// on average, and it has at most so many input columns.
inline constexpr double kFilteredCandidates = 8.0;
inline constexpr std::size_t kFilteredColumns = 8;

struct Table {
    std::string_view id;
    std::vector<KeyId> inputs;     // INPUT columns in order
    std::vector<KeyId> endpoints;  // ENDPOINT columns in order
    std::uint32_t rows = 0;
    std::vector<Cell> cells;          // rows x inputs
    std::vector<Endpoint> results;    // rows x endpoints
    const Range* ranges = nullptr;    // the shared pool of prepared ranges
    RowIndex index;
    RowFilter filter;

    const Cell& cell(std::uint32_t row, std::size_t column) const { return cells[row * inputs.size() + column]; }
    const Endpoint* row_endpoints(std::uint32_t row) const { return results.data() + row * endpoints.size(); }
};

struct KeyMap {
    KeyId from, to;
};

struct TableCheck {  // an inclusion or exclusion table
    TableId table;
    std::vector<KeyMap> input_mapping;
};

struct TablePath {
    TableId table;
    std::vector<KeyMap> input_mapping, output_mapping;
};

struct InitialValue {
    KeyId key;
    std::string_view value;  // blank when the published value is null
};

struct Mapping {
    std::string_view id;
    std::vector<TableCheck> inclusions, exclusions;
    std::vector<InitialValue> initial_context;
    std::vector<TablePath> paths;
};

struct SchemaInput {
    KeyId key;
    int naaccr_item = 0;
    std::string_view default_value;
    TableId table = kNoTable;  // validation table
    std::uint32_t table_column = 0;  // the table's column holding this key
};

struct SchemaOutput {
    KeyId key;
    int naaccr_item = 0;
    std::string_view default_value;
};

struct Schema {
    int number = 0;
    std::string_view id, name;
    TableId selection = kNoTable;
    bool discriminated = false;  // selection needs SSF25
    std::vector<SchemaInput> inputs;
    std::vector<SchemaOutput> outputs;
    std::vector<Mapping> mappings;
};

class Tables {
public:
    // Parses the compact form. On failure returns null and says why in error.
    static std::unique_ptr<const Tables> parse(std::string text, std::string& error);
    // The same over text that outlives the tables (the embedded form): not copied.
    static std::unique_ptr<const Tables> parse_static(std::string_view text, std::string& error);

    Tables(const Tables&) = delete;
    Tables& operator=(const Tables&) = delete;

    std::size_t key_count() const { return key_names_.size(); }
    std::string_view key_name(KeyId k) const { return key_names_[k]; }
    KeyId find_key(std::string_view name) const;
    TableId find_table(std::string_view id) const;
    const Table& table(TableId t) const { return tables_[t]; }
    std::size_t table_count() const { return tables_.size(); }
    const std::vector<Schema>& schemas() const { return schemas_; }
    std::size_t row_count() const;
    // Bytes held by the prepared tables (text, cells, ranges, index), for figures.
    std::size_t memory_bytes() const;

private:
    Tables() = default;
    friend class TablesBuilder;

    std::string owned_text_;  // the compact form when it was handed over
    std::string_view text_;   // the compact form; every string_view points into it
    std::vector<Range> ranges_;  // cells with the same text share their ranges
    std::vector<std::string_view> key_names_;
    std::unordered_map<std::string_view, KeyId> keys_;
    std::vector<Table> tables_;
    std::unordered_map<std::string_view, TableId> table_ids_;
    std::vector<Schema> schemas_;
};

}  // namespace csengine
