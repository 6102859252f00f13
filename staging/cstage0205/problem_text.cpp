// SPDX-License-Identifier: Apache-2.0
#include "problem_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "cs_code_lists.h"
#include "naaccr_columns.h"

namespace cstage {
namespace {

using csengine::Problem;
using csengine::SelectionOutcome;

// The values the calculation derives on the way to the storage items.
struct DerivedName {
    std::string_view key, name;
};
constexpr DerivedName kDerivedNames[] = {
    {"ajcc6_t", "AJCC-6 T"},
    {"ajcc6_tdescriptor", "AJCC-6 T descriptor"},
    {"ajcc6_n", "AJCC-6 N"},
    {"ajcc6_ndescriptor", "AJCC-6 N descriptor"},
    {"ajcc6_m", "AJCC-6 M"},
    {"ajcc6_mdescriptor", "AJCC-6 M descriptor"},
    {"ajcc6_stage", "AJCC-6 stage group"},
    {"ajcc7_t", "AJCC-7 T"},
    {"ajcc7_tdescriptor", "AJCC-7 T descriptor"},
    {"ajcc7_n", "AJCC-7 N"},
    {"ajcc7_ndescriptor", "AJCC-7 N descriptor"},
    {"ajcc7_m", "AJCC-7 M"},
    {"ajcc7_mdescriptor", "AJCC-7 M descriptor"},
    {"ajcc7_stage", "AJCC-7 stage group"},
    {"t77", "SS1977 T"},
    {"n77", "SS1977 N"},
    {"m77", "SS1977 M"},
    {"ss77", "SEER Summary Stage 1977"},
    {"t2000", "SS2000 T"},
    {"n2000", "SS2000 N"},
    {"m2000", "SS2000 M"},
    {"ss2000", "SEER Summary Stage 2000"},
    {"schema_number", "schema number"},
};

std::string item_label(const NaaccrItem& item) {
    return std::string(item.name) + " (item " + std::to_string(item.item) + ")";
}

std::string_view value_of(const csengine::Tables& tables, const csengine::Result& result, const Problem& p,
                          std::string_view key) {
    for (const csengine::ProblemValue& v : result.values_of(p))
        if (tables.key_name(v.key) == key) return v.value;
    return {};
}

// "020, 040 select EsophagusGEJunction; 000, 030 select Stomach"
std::string ssf25_choices_text(const std::vector<csengine::Ssf25Choice>& choices) {
    std::vector<const csengine::Schema*> schemas;
    for (const csengine::Ssf25Choice& c : choices)
        if (std::find(schemas.begin(), schemas.end(), c.schema) == schemas.end()) schemas.push_back(c.schema);
    std::string text;
    for (const csengine::Schema* s : schemas) {
        std::vector<std::string> codes;
        for (const csengine::Ssf25Choice& c : choices)
            if (c.schema == s) codes.push_back(c.code);
        if (!text.empty()) text += "; ";
        text += csengine::compact_codes(codes) + (codes.size() == 1 ? " selects " : " select ") + std::string(s->name);
    }
    return text;
}

std::string no_schema_text(const csengine::Engine& engine, const csengine::Result& result, const Problem& p) {
    const csengine::Tables& tables = engine.tables();
    const std::string_view site = value_of(tables, result, p, "site");
    const std::string_view hist = value_of(tables, result, p, "hist");
    const std::string_view ssf25 = value_of(tables, result, p, "ssf25");
    const std::string pair = "Primary Site " + quoted(site) + " and histology " + quoted(hist);
    switch (p.selection) {
    case SelectionOutcome::InvalidSite: return key_label("site") + " " + quoted(site) + " is not a valid code";
    case SelectionOutcome::InvalidHistology: return key_label("hist") + " " + quoted(hist) + " is not a valid code";
    case SelectionOutcome::NoSchemaForPair:
        return "no schema takes " + key_label("site") + " " + quoted(site) + " with " + key_label("hist") + " " +
               quoted(hist);
    case SelectionOutcome::Ssf25SelectsNone: {
        std::string text = key_label("ssf25") + " " + quoted(ssf25) + " selects none for " + pair;
        const std::string choices = ssf25_choices_text(engine.ssf25_choices(site, hist));
        return choices.empty() ? text : text + "; " + choices;
    }
    case SelectionOutcome::Ssf25SelectsSeveral:
        return "more than one schema takes " + pair + " with " + key_label("ssf25") + " " + quoted(ssf25);
    case SelectionOutcome::Selected: break;
    }
    return "no schema";
}

}  // namespace

std::string key_label(std::string_view key) {
    if (const NaaccrItem* item = input_item(key)) return item_label(*item);
    for (const NaaccrItem& item : output_items())
        if (item.key == key) return item_label(item);
    for (const DerivedName& d : kDerivedNames)
        if (d.key == key) return std::string(d.name);
    return std::string(key);
}

std::string quoted(std::string_view code) {
    std::string out;
    append_quoted(out, code);
    return out;
}

namespace {

// Whether a byte stands for itself between the quotes: printable, not the
// quote or the backslash.
constexpr auto kPlain = [] {
    std::array<bool, 256> table{};
    for (int b = 0x20; b < 0x7F; ++b) table[static_cast<std::size_t>(b)] = b != '\\' && b != '\'';
    return table;
}();

bool plain(char ch) { return kPlain[static_cast<unsigned char>(ch)]; }

bool plain(std::string_view code) {
    bool all = true;
    for (const char ch : code) all &= plain(ch);
    return all;
}

}  // namespace

void append_quoted(std::string& out, std::string_view code) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // A short plain code goes in with its quotes in one piece.
    if (char piece[18]; code.size() <= sizeof piece - 2 && plain(code)) {
        piece[0] = '\'';
        std::copy(code.begin(), code.end(), piece + 1);
        piece[code.size() + 1] = '\'';
        out.append(piece, code.size() + 2);
        return;
    }
    out += '\'';
    if (plain(code)) {
        out += code;
    } else {
        for (const char ch : code) {
            const auto b = static_cast<unsigned char>(ch);
            if (plain(ch)) {
                out += ch;
            } else {
                const char escaped[] = {'\\', 'x', kHex[b >> 4], kHex[b & 15]};
                out.append(escaped, sizeof escaped);
            }
        }
    }
    out += '\'';
}

ProblemWriter::ProblemWriter(const csengine::Engine& engine) : engine_(&engine) {
    const csengine::Tables& tables = engine.tables();
    labels_.reserve(tables.key_count());
    for (csengine::KeyId k = 0; k < tables.key_count(); ++k) {
        labels_.push_back(key_label(tables.key_name(k)));
        invalid_.push_back("Invalid " + labels_.back() + " ");
    }
    for (const csengine::Schema& s : tables.schemas()) {
        if (static_cast<std::size_t>(s.number) > schema_suffixes_.size())
            schema_suffixes_.resize(static_cast<std::size_t>(s.number));
        schema_suffixes_[static_cast<std::size_t>(s.number - 1)] = " for schema " + std::string(s.name);
    }
}

std::string_view ProblemWriter::label(csengine::KeyId key) const {
    return key < labels_.size() ? std::string_view(labels_[key]) : std::string_view();
}

// "A 'x', B 'y'": the values that led to a problem, each under the name of
// the key it came from.
void ProblemWriter::append_values(const csengine::Result& result, const Problem& p, std::string& out) const {
    bool first = true;
    for (const csengine::ProblemValue& v : result.values_of(p)) {
        if (!first) out += ", ";
        first = false;
        out += label(v.source != csengine::kNoKey ? v.source : v.key);
        out += ' ';
        append_quoted(out, v.value);
    }
}

void ProblemWriter::append(const csengine::Result& result, const Problem& p, std::string& out) const {
    const csengine::Tables& tables = engine_->tables();
    const std::string_view table = p.table == csengine::kNoTable ? std::string_view() : tables.table(p.table).id;
    const auto schema = [&] {
        if (result.schema) out += schema_suffixes_[static_cast<std::size_t>(result.schema->number - 1)];
    };
    switch (p.kind) {
    case Problem::Kind::NoSchema:
        out.append("No schema: ").append(no_schema_text(*engine_, result, p));
        return;
    case Problem::Kind::YearRejected: {
        out.append("Year of diagnosis ");
        append_quoted(out, p.text);
        out.append(" rejected");
        schema();
        out.append(": ").append(key_label("year_dx")).append(" must be 2004 to ");
        out.append(std::to_string(engine_->current_year()));
        out.append(", or blank with a known CS Version Input Original; nothing derived");
        return;
    }
    case Problem::Kind::InvalidInput: {
        const std::string_view prefix = p.key < invalid_.size() ? std::string_view(invalid_[p.key]) : "Invalid  ";
        const std::string_view suffix =
            result.schema ? std::string_view(schema_suffixes_[static_cast<std::size_t>(result.schema->number - 1)])
                          : std::string_view();
        // Nearly every code is short and plain: the line goes in in one piece.
        if (char line[160]; p.text.size() <= 16 && prefix.size() + suffix.size() <= sizeof line - 18 && plain(p.text)) {
            std::size_t n = prefix.size();
            std::memcpy(line, prefix.data(), n);
            line[n++] = '\'';
            if (!p.text.empty()) std::memcpy(line + n, p.text.data(), p.text.size());
            n += p.text.size();
            line[n++] = '\'';
            if (!suffix.empty()) std::memcpy(line + n, suffix.data(), suffix.size());
            out.append(line, n + suffix.size());
            return;
        }
        out += prefix;
        append_quoted(out, p.text);
        schema();
        return;
    }
    case Problem::Kind::NoMatchingRow:
        out.append("No row of table ").append(table);
        schema();
        out.append(" matches ");
        append_values(result, p, out);
        return;
    case Problem::Kind::TableError:
        out.append("Table ").append(table);
        schema();
        out.append(" reports an error for ").append(label(p.key));
        if (!p.text.empty()) out.append(" (").append(p.text) += ')';
        out.append(" with ");
        append_values(result, p, out);
        return;
    case Problem::Kind::JumpLoop:
        out.append("Table ").append(table);
        schema();
        out.append(" is already running: jump not taken");
        return;
    }
    out.append("Problem");
    schema();
}

std::string problem_text(const csengine::Engine& engine, const csengine::Result& result, const Problem& p) {
    std::string text;
    ProblemWriter(engine).append(result, p, text);
    return text;
}

}  // namespace cstage
