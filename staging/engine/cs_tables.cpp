// SPDX-License-Identifier: Apache-2.0
#include "cs_tables.h"

#include <algorithm>
#include <charconv>

namespace csengine {
namespace {

// Splits a line on TAB into out (cleared first, its memory reused).
void fields_of(std::string_view line, std::vector<std::string_view>& out) {
    out.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == line.npos ? line.npos : tab - start));
        if (tab == line.npos) return;
        start = tab + 1;
    }
}

// The rows of each table, in order, from a look at the first letter of every
// line: a table's cells and endpoints are then set aside at once, rather
// than grown (and moved) row by row.
std::vector<std::uint32_t> rows_of_tables(std::string_view text) {
    std::vector<std::uint32_t> rows;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == 'T')
            rows.push_back(0);
        else if (text[at] == 'R' && !rows.empty())
            ++rows.back();
        const std::size_t nl = text.find('\n', at);
        if (nl == std::string_view::npos) break;
        at = nl + 1;
    }
    return rows;
}

int to_int(std::string_view text) {
    int v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

}  // namespace

class TablesBuilder {
public:
    explicit TablesBuilder(Tables& t) : t_(t) {}

    bool build(std::string& error) {
        std::string_view text = t_.text_;
        rows_ = rows_of_tables(text);
        t_.tables_.reserve(rows_.size());
        std::size_t line_no = 0;
        while (!text.empty()) {
            const std::size_t nl = text.find('\n');
            const std::string_view line = text.substr(0, nl);
            text = nl == text.npos ? std::string_view() : text.substr(nl + 1);
            ++line_no;
            if (line.empty() || line[0] == '#') continue;
            fields_of(line, fields_);
            if (!take_line(fields_)) {
                error = "line " + std::to_string(line_no) + ": " + problem_;
                return false;
            }
        }
        if (!resolve()) {
            error = problem_;
            return false;
        }
        for (Table& table : t_.tables_) table.ranges = t_.ranges_.data();
        for (Table& table : t_.tables_) build_index(table);
        for (Table& table : t_.tables_) build_filter(table);
        return true;
    }

private:
    KeyId intern(std::string_view name) {
        const auto it = t_.keys_.find(name);
        if (it != t_.keys_.end()) return it->second;
        const KeyId id = static_cast<KeyId>(t_.key_names_.size());
        t_.key_names_.push_back(name);
        t_.keys_.emplace(name, id);
        return id;
    }

    bool fail(std::string what) {
        problem_ = std::move(what);
        return false;
    }

    // Schemas follow every table in the compact form, so their table names
    // resolve at once.
    bool unknown_table(std::string_view id) { return fail("unknown table " + std::string(id)); }

    // One line of the compact form, by its first letter: a table's lines,
    // a schema's, or a mapping's within the schema.
    bool take_line(const std::vector<std::string_view>& f) {
        if (f[0].size() != 1) return fail("unknown record");
        switch (f[0][0]) {
        case 'Z':
            return true;
        case 'T':
        case 'C':
        case 'R':
            return take_table_line(f);
        case 'S':
        case 'I':
        case 'O':
        case 'M':
            return take_schema_line(f);
        case 'N':
        case 'X':
        case 'V':
        case 'P':
            return take_mapping_line(f);
        }
        return fail("unknown record");
    }

    // A table (T), its columns (C) and its rows (R).
    bool take_table_line(const std::vector<std::string_view>& f) {
        Table* table = t_.tables_.empty() ? nullptr : &t_.tables_.back();
        switch (f[0][0]) {
        case 'T':
            if (f.size() < 2) return fail("table without id");
            t_.table_ids_.emplace(f[1], static_cast<TableId>(t_.tables_.size()));
            t_.tables_.push_back(Table{});
            t_.tables_.back().id = f[1];
            return true;
        case 'C':
            if (!table) return fail("columns outside a table");
            for (std::size_t i = 1; i < f.size(); ++i) {
                if (f[i].size() < 2) return fail("empty column");
                (f[i][0] == 'I' ? table->inputs : table->endpoints).push_back(intern(f[i].substr(1)));
            }
            column_kinds_.assign(f.begin() + 1, f.end());
            if (const std::size_t at = t_.tables_.size() - 1; at < rows_.size()) {
                table->cells.reserve(std::size_t{rows_[at]} * table->inputs.size());
                table->results.reserve(std::size_t{rows_[at]} * table->endpoints.size());
            }
            return true;
        default:
            if (!table || f.size() != column_kinds_.size() + 1) return fail("row with the wrong number of cells");
            return take_row(*table, f);
        }
    }

    // A schema (S), its inputs (I), outputs (O) and mappings (M).
    bool take_schema_line(const std::vector<std::string_view>& f) {
        const auto need = [&](std::size_t n) { return f.size() >= n; };
        Schema* schema = t_.schemas_.empty() ? nullptr : &t_.schemas_.back();
        switch (f[0][0]) {
        case 'S':
            if (!need(6)) return fail("short schema record");
            t_.schemas_.push_back(Schema{});
            schema = &t_.schemas_.back();
            schema->number = to_int(f[1]);
            schema->id = f[2];
            schema->name = f[3];
            if ((schema->selection = t_.find_table(f[4])) == kNoTable) return unknown_table(f[4]);
            schema->discriminated = !f[5].empty();
            return true;
        case 'I':
            if (!schema || !need(5)) return fail("input outside a schema");
            schema->inputs.push_back(SchemaInput{intern(f[1]), to_int(f[2]), f[3], kNoTable, 0});
            if (!f[4].empty() && (schema->inputs.back().table = t_.find_table(f[4])) == kNoTable)
                return unknown_table(f[4]);
            return true;
        case 'O':
            if (!schema || !need(4)) return fail("output outside a schema");
            schema->outputs.push_back(SchemaOutput{intern(f[1]), to_int(f[2]), f[3]});
            return true;
        default:
            if (!schema || !need(2)) return fail("mapping outside a schema");
            schema->mappings.push_back(Mapping{});
            schema->mappings.back().id = f[1];
            return true;
        }
    }

    // A mapping's inclusions (N) and exclusions (X), its initial context (V)
    // and its table paths (P).
    bool take_mapping_line(const std::vector<std::string_view>& f) {
        const auto need = [&](std::size_t n) { return f.size() >= n; };
        Schema* schema = t_.schemas_.empty() ? nullptr : &t_.schemas_.back();
        Mapping* mapping = schema && !schema->mappings.empty() ? &schema->mappings.back() : nullptr;
        switch (f[0][0]) {
        case 'N':
        case 'X': {
            if (!mapping || !need(3)) return fail("inclusion or exclusion outside a mapping");
            auto& list = f[0][0] == 'N' ? mapping->inclusions : mapping->exclusions;
            list.push_back(TableCheck{t_.find_table(f[1]), key_maps(f[2])});
            return list.back().table == kNoTable ? unknown_table(f[1]) : true;
        }
        case 'V':
            if (!mapping || !need(2)) return fail("initial context outside a mapping");
            mapping->initial_context.push_back(InitialValue{intern(f[1]), f.size() > 2 ? f[2] : std::string_view()});
            return true;
        default:
            if (!mapping || !need(4)) return fail("table path outside a mapping");
            mapping->paths.push_back(TablePath{t_.find_table(f[1]), key_maps(f[2]), key_maps(f[3])});
            return mapping->paths.back().table == kNoTable ? unknown_table(f[1]) : true;
        }
    }

    bool take_row(Table& table, const std::vector<std::string_view>& f) {
        const auto intern_fn = [this](std::string_view n) { return intern(n); };
        std::size_t in = 0, out = 0;
        for (std::size_t i = 1; i < f.size(); ++i) {
            if (column_kinds_[i - 1][0] == 'I') {
                Cell cell;
                if (f[i] == "*") {
                    cell.any = true;
                } else if (const auto seen = cells_.find(f[i]); seen != cells_.end()) {
                    cell.first = seen->second.first, cell.count = seen->second.second;
                } else {
                    cell.first = static_cast<std::uint32_t>(t_.ranges_.size());
                    parse_cell(f[i], intern_fn, t_.ranges_);
                    cell.count = static_cast<std::uint32_t>(t_.ranges_.size() - cell.first);
                    cells_.emplace(f[i], std::make_pair(cell.first, cell.count));
                }
                table.cells.push_back(cell);
                ++in;
            } else {
                Endpoint e;
                e.key = table.endpoints[out++];
                if (!take_endpoint(trim(f[i]), e, table)) return false;
                table.results.push_back(e);
            }
        }
        (void)in;
        ++table.rows;
        return true;
    }

    bool take_endpoint(std::string_view text, Endpoint& e, Table& table) {
        const std::size_t colon = text.find(':');
        const std::string_view kind = text.substr(0, colon);
        const std::string_view rest = colon == text.npos ? std::string_view() : trim(text.substr(colon + 1));
        if (kind == "VALUE") {
            e.kind = Endpoint::Kind::Value;
            e.text = rest;
            e.template_key = template_key(rest, [this](std::string_view n) { return intern(n); });
        } else if (kind == "JUMP") {
            e.kind = Endpoint::Kind::Jump;
            jumps_.push_back({static_cast<std::size_t>(&table - t_.tables_.data()), table.results.size(), rest});
        } else if (kind == "ERROR") {
            e.kind = Endpoint::Kind::Error;
            e.text = rest;
        } else if (kind == "MATCH") {
            e.kind = Endpoint::Kind::Match;
        } else if (kind == "STOP") {
            e.kind = Endpoint::Kind::Stop;
        } else {
            return fail("unknown endpoint '" + std::string(text) + "' in table " + std::string(table.id));
        }
        return true;
    }

    std::vector<KeyMap> key_maps(std::string_view text) {
        std::vector<KeyMap> out;
        while (!text.empty()) {
            const std::size_t semi = text.find(';');
            const std::string_view pair = text.substr(0, semi);
            const std::size_t eq = pair.find('=');
            if (eq != pair.npos) out.push_back(KeyMap{intern(pair.substr(0, eq)), intern(pair.substr(eq + 1))});
            text = semi == text.npos ? std::string_view() : text.substr(semi + 1);
        }
        return out;
    }

    bool resolve() {
        for (const Jump& j : jumps_) {
            const TableId target = t_.find_table(j.target);
            if (target == kNoTable) return fail("jump to unknown table " + std::string(j.target));
            t_.tables_[j.table].results[j.result].jump = target;
        }
        for (Schema& s : t_.schemas_) {
            for (SchemaInput& in : s.inputs) {
                if (in.table == kNoTable) continue;
                const Table& vt = t_.tables_[in.table];
                const auto it = std::find(vt.inputs.begin(), vt.inputs.end(), in.key);
                if (it == vt.inputs.end()) return fail("table " + std::string(vt.id) + " has no column for its input");
                in.table_column = static_cast<std::uint32_t>(it - vt.inputs.begin());
            }
        }
        for (std::size_t i = 0; i < t_.schemas_.size(); ++i)
            if (t_.schemas_[i].number != static_cast<int>(i + 1)) return fail("schemas out of order");
        return true;
    }

    // Indexes the column with the fewest rows that are not single values.
    static void build_index(Table& table) {
        if (table.inputs.empty()) return;
        std::size_t best = 0, best_other = table.rows + 1;
        for (std::size_t c = 0; c < table.inputs.size(); ++c) {
            std::size_t other = 0;
            for (std::uint32_t r = 0; r < table.rows; ++r)
                if (!all_single(table, table.cell(r, c))) ++other;
            if (other < best_other) best = c, best_other = other;
        }
        RowIndex& index = table.index;
        index.column = static_cast<std::uint32_t>(best);
        // (code, row) for every single code of the column, grouped by code
        // with the rows kept in order.
        std::vector<std::pair<std::string_view, std::uint32_t>> codes;
        for (std::uint32_t r = 0; r < table.rows; ++r) {
            const Cell& cell = table.cell(r, best);
            if (!all_single(table, cell)) {
                index.always.push_back(r);
                continue;
            }
            for (std::uint32_t i = 0; i < cell.count; ++i) codes.emplace_back(table.ranges[cell.first + i].lo, r);
        }
        std::sort(codes.begin(), codes.end());  // by code, then row: the rows of a code in order
        codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
        std::vector<std::pair<std::string_view, Span>> entries;
        index.rows.reserve(codes.size());
        for (std::size_t i = 0; i < codes.size(); ++i) {
            if (i == 0 || codes[i].first != codes[i - 1].first)
                entries.emplace_back(codes[i].first, Span{static_cast<std::uint32_t>(index.rows.size()), 0});
            index.rows.push_back(codes[i].second);
            ++entries.back().second.count;
        }
        index.by_value.build(entries);
    }

    static void build_filter(Table& table) {
        if (table.inputs.empty() || table.inputs.size() > kFilteredColumns ||
            table.index.average_candidates() < kFilteredCandidates)
            return;
        RowFilter& f = table.filter;
        f.words = (table.rows + 63) / 64;
        const auto set_row = [&f](std::uint32_t first_word, std::uint32_t r) {
            f.bits[first_word + r / 64] |= std::uint64_t{1} << (r % 64);
        };
        for (std::size_t c = 0; c < table.inputs.size(); ++c) {
            // The rows whose cell is no list of single codes (a wildcard,
            // ranges): candidates for every value. Then a set per code.
            const std::uint32_t other = static_cast<std::uint32_t>(f.bits.size());
            f.bits.resize(f.bits.size() + f.words, 0);
            // By code, the first word of its set.
            std::unordered_map<std::string_view, std::uint32_t> sets;
            for (std::uint32_t r = 0; r < table.rows; ++r) {
                const Cell& cell = table.cell(r, c);
                if (!all_single(table, cell)) {
                    set_row(other, r);
                    continue;
                }
                for (std::uint32_t i = 0; i < cell.count; ++i) {
                    const auto [it, fresh] = sets.try_emplace(table.ranges[cell.first + i].lo, 0);
                    if (fresh) {
                        it->second = static_cast<std::uint32_t>(f.bits.size());
                        f.bits.resize(f.bits.size() + f.words, 0);
                    }
                    set_row(it->second, r);
                }
            }
            // A code's set also holds those rows, before the code's first row
            // as well as after it.
            std::vector<std::pair<std::string_view, Span>> entries;
            for (const auto& [code, first] : sets) {
                for (std::uint32_t w = 0; w < f.words; ++w) f.bits[first + w] |= f.bits[other + w];
                entries.emplace_back(code, Span{first, 0});
            }
            f.by_value.emplace_back().build(entries);
            f.other.push_back(other);
        }
    }

    static bool all_single(const Table& table, const Cell& cell) {
        if (cell.any) return false;
        for (std::uint32_t i = 0; i < cell.count; ++i)
            if (table.ranges[cell.first + i].kind != Range::Kind::Single) return false;
        return true;
    }

    struct Jump {
        std::size_t table, result;
        std::string_view target;
    };

    Tables& t_;
    std::string problem_;
    std::vector<std::uint32_t> rows_;  // of each table, in order
    std::vector<std::string_view> column_kinds_;
    std::vector<std::string_view> fields_;
    std::unordered_map<std::string_view, std::pair<std::uint32_t, std::uint32_t>> cells_;
    std::vector<Jump> jumps_;
};

std::unique_ptr<const Tables> Tables::parse(std::string text, std::string& error) {
    std::unique_ptr<Tables> t(new Tables());
    t->owned_text_ = std::move(text);
    t->text_ = t->owned_text_;
    TablesBuilder builder(*t);
    if (!builder.build(error)) return nullptr;
    return t;
}

std::unique_ptr<const Tables> Tables::parse_static(std::string_view text, std::string& error) {
    std::unique_ptr<Tables> t(new Tables());
    t->text_ = text;
    TablesBuilder builder(*t);
    if (!builder.build(error)) return nullptr;
    return t;
}

KeyId Tables::find_key(std::string_view name) const {
    const auto it = keys_.find(name);
    return it == keys_.end() ? kNoKey : it->second;
}

TableId Tables::find_table(std::string_view id) const {
    const auto it = table_ids_.find(id);
    return it == table_ids_.end() ? kNoTable : it->second;
}

std::size_t Tables::row_count() const {
    std::size_t n = 0;
    for (const Table& t : tables_) n += t.rows;
    return n;
}

std::size_t Tables::memory_bytes() const {
    std::size_t n = owned_text_.capacity() + key_names_.capacity() * sizeof(std::string_view) +
                    ranges_.capacity() * sizeof(Range);
    for (const Table& t : tables_) {
        n += sizeof(Table) + t.cells.capacity() * sizeof(Cell) + t.results.capacity() * sizeof(Endpoint) +
             t.index.always.capacity() * 4 + t.index.rows.capacity() * 4 + t.index.by_value.memory_bytes() + t.filter.bits.capacity() * 8 + t.filter.other.capacity() * 4;
        for (const CodeIndex& codes : t.filter.by_value) n += sizeof(CodeIndex) + codes.memory_bytes();
    }
    return n;
}

}  // namespace csengine
