#include "problem_text.h"

#include <algorithm>
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

// "A 'x', B 'y'": the values that led to a problem, each under the name of
// the key it came from.
std::string values_text(const csengine::Tables& tables, const csengine::Result& result, const Problem& p) {
    std::string text;
    for (const csengine::ProblemValue& v : result.values_of(p)) {
        if (!text.empty()) text += ", ";
        text += key_label(tables.key_name(v.source != csengine::kNoKey ? v.source : v.key));
        text += ' ';
        text += quoted(v.value);
    }
    return text;
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
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "'";
    for (const char ch : code) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b < 0x7F && b != '\\' && b != '\'') {
            out += ch;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out + "'";
}

std::string problem_text(const csengine::Engine& engine, const csengine::Result& result, const Problem& p) {
    const csengine::Tables& tables = engine.tables();
    const std::string table = p.table == csengine::kNoTable ? "" : std::string(tables.table(p.table).id);
    const std::string schema = result.schema ? " for schema " + std::string(result.schema->name) : "";
    switch (p.kind) {
    case Problem::Kind::NoSchema: return "No schema: " + no_schema_text(engine, result, p);
    case Problem::Kind::YearRejected:
        return "Year of diagnosis " + quoted(p.text) + " rejected" + schema + ": " + key_label("year_dx") +
               " must be 2004 to " + std::to_string(engine.current_year()) +
               ", or blank with a known CS Version Input Original; nothing derived";
    case Problem::Kind::InvalidInput:
        return "Invalid " + key_label(tables.key_name(p.key)) + " " + quoted(p.text) + schema;
    case Problem::Kind::NoMatchingRow:
        return "No row of table " + table + schema + " matches " + values_text(tables, result, p);
    case Problem::Kind::TableError:
        return "Table " + table + schema + " reports an error for " + key_label(tables.key_name(p.key)) +
               (p.text.empty() ? std::string() : " (" + std::string(p.text) + ")") + " with " +
               values_text(tables, result, p);
    case Problem::Kind::JumpLoop: return "Table " + table + schema + " is already running: jump not taken";
    }
    return "Problem" + schema;
}

}  // namespace cstage
