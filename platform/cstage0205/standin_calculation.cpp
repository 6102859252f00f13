#include "standin_calculation.h"

#include <optional>
#include <string_view>

#include "cstage0205.h"
#include "standin_datacard.h"
#include "standin_schemas.h"

namespace cstage_standin {
namespace {

using Text = std::string_view;

bool all_digits(Text text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty();
}

std::optional<int> code_value(Text text) {
    if (!all_digits(text)) return std::nullopt;
    int value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value;
}

// Spread of the disease as one input item shows it.
enum class Spread { InSitu, None, Local, Regional, Distant, Unknown };

// One row of a code table: codes first..last of an item give an AJCC-6
// category, an AJCC-7 category and the spread for Summary Stage.
struct CodeRow {
    int first;
    int last;
    const char* ajcc6;
    const char* ajcc7;
    Spread spread;
};

constexpr CodeRow kExtensionRows[] = {
    {0, 0, "05", "050", Spread::InSitu},       {100, 199, "10", "100", Spread::Local},
    {200, 399, "20", "200", Spread::Local},    {400, 599, "30", "300", Spread::Regional},
    {600, 799, "40", "400", Spread::Regional}, {800, 899, "40", "400", Spread::Distant},
    {950, 950, "00", "000", Spread::None},     {999, 999, "99", "999", Spread::Unknown},
};
constexpr CodeRow kNodesRows[] = {
    {0, 0, "00", "000", Spread::None},
    {100, 499, "10", "100", Spread::Regional},
    {500, 799, "20", "200", Spread::Regional},
    {999, 999, "99", "999", Spread::Unknown},
};
constexpr CodeRow kMetsRows[] = {
    {0, 0, "00", "000", Spread::None},
    {10, 60, "10", "100", Spread::Distant},
    {99, 99, "99", "999", Spread::Unknown},
};

template <std::size_t N>
const CodeRow* find_row(const CodeRow (&rows)[N], Text code) {
    const std::optional<int> value = code_value(code);
    if (!value) return nullptr;
    for (const CodeRow& r : rows)
        if (*value >= r.first && *value <= r.last) return &r;
    return nullptr;
}

// Descriptor from an evaluation item: pathologic, after therapy, autopsy, or
// clinical.
const char* descriptor(char eval) {
    switch (eval) {
    case '3': return "p";
    case '6': return "y";
    case '8': return "a";
    default: return "c";
    }
}

void add_error(DerivedStage& out, std::uint32_t bits, const std::string& line) {
    out.error_word |= kErrAny | bits;
    out.message += "ERROR: " + line + "\n";
}

std::string quoted(Text item) { return "'" + std::string(item) + "'"; }

void set_summary(DerivedStage& out, const char* code) { out.ss1977 = out.ss2000 = code; }

void set_ajcc_not_applicable(DerivedStage& out) {
    out.ajcc6_t = out.ajcc6_n = out.ajcc6_m = out.ajcc6_stage = "88";
    out.ajcc7_t = out.ajcc7_n = out.ajcc7_m = out.ajcc7_stage = "888";
    out.ajcc6_t_descript = out.ajcc6_n_descript = out.ajcc6_m_descript = "N";
    out.ajcc7_t_descript = out.ajcc7_n_descript = out.ajcc7_m_descript = "N";
}

// HemeRetic and MyelomaPlasmaCellDisorder: AJCC does not apply; the systemic
// extension code with nodes and metastasis not applicable is distant disease.
void derive_systemic(DerivedStage& out, const char* card, const char* schema, Text extension_code,
                     bool nodes_987_allowed) {
    set_ajcc_not_applicable(out);
    set_summary(out, "7");
    const Text ext = card_text(card, kInExtension);
    const Text nodes = card_text(card, kInNodes);
    const Text mets = card_text(card, kInMets);
    const std::string where = std::string(" is not valid for schema ") + schema;
    if (ext != extension_code) add_error(out, kErrSs1977Extension | kErrSs2000Extension, "CS Extension " + quoted(ext) + where);
    if (nodes != "988" && !(nodes_987_allowed && nodes == "987"))
        add_error(out, kErrSs1977Nodes | kErrSs2000Nodes, "CS Lymph Nodes " + quoted(nodes) + where);
    if (mets != "98") add_error(out, kErrSs1977Mets | kErrSs2000Mets, "CS Mets at DX " + quoted(mets) + where);
    if (out.error_word != 0) set_summary(out, "9");
}

// Lymphoma: the extension holds the Ann Arbor stage; AJCC T, N and M do not
// apply, the stage group does.
struct LymphomaRow {
    int first;
    int last;
    const char* ajcc6_stage;
    const char* ajcc7_stage;
    const char* summary;
};
constexpr LymphomaRow kLymphomaRows[] = {
    {100, 199, "10", "100", "1"}, {200, 299, "30", "300", "5"}, {300, 399, "50", "500", "7"},
    {800, 800, "70", "700", "7"}, {999, 999, "99", "999", "9"},
};

void derive_lymphoma(DerivedStage& out, const char* card) {
    set_ajcc_not_applicable(out);
    const Text ext = card_text(card, kInExtension);
    const std::optional<int> value = code_value(ext);
    for (const LymphomaRow& r : kLymphomaRows) {
        if (value && *value >= r.first && *value <= r.last) {
            out.ajcc6_stage = r.ajcc6_stage;
            out.ajcc7_stage = r.ajcc7_stage;
            set_summary(out, r.summary);
            return;
        }
    }
    out.ajcc6_stage = "99";
    out.ajcc7_stage = "999";
    set_summary(out, "9");
    add_error(out, kErrAjcc6Stage | kErrAjcc7Stage | kErrSs1977Extension | kErrSs2000Extension,
              "CS Extension " + quoted(ext) + " is not valid for schema Lymphoma");
}

const char* summary_stage(Spread ext, Spread nodes, Spread mets) {
    if (mets == Spread::Distant || ext == Spread::Distant) return "7";
    const bool regional_nodes = nodes == Spread::Regional;
    if (ext == Spread::Regional) return regional_nodes ? "4" : "2";
    if (regional_nodes) return "3";
    if (ext == Spread::Unknown || nodes == Spread::Unknown || mets == Spread::Unknown) return "9";
    if (ext == Spread::InSitu) return "0";
    if (ext == Spread::None) return "9";
    return "1";
}

// Stage group from the AJCC-6 categories (the AJCC-7 group is the same stage
// with three characters).
const char* stage_group6(Text t, Text n, Text m) {
    if (m == "10") return "70";
    if (t == "99" || n == "99" || m == "99" || t == "00") return "99";
    if (n != "00") return "50";
    if (t == "05") return "00";
    if (t == "30" || t == "40") return "30";
    return "10";
}
const char* stage_group7(const char* group6) {
    const Text g(group6);
    if (g == "70") return "700";
    if (g == "50") return "500";
    if (g == "30") return "300";
    if (g == "10") return "100";
    if (g == "00") return "000";
    return "999";
}

// Every other schema: one table of extension, nodes and metastasis codes.
void derive_solid(DerivedStage& out, const char* card, const char* schema) {
    const Text ext = card_text(card, kInExtension);
    const Text nodes = card_text(card, kInNodes);
    const Text mets = card_text(card, kInMets);
    const std::string where = std::string(" is not valid for schema ") + schema;
    const CodeRow* e = find_row(kExtensionRows, ext);
    const CodeRow* n = find_row(kNodesRows, nodes);
    const CodeRow* m = find_row(kMetsRows, mets);
    if (!e) add_error(out, kErrAjcc6T | kErrAjcc7T | kErrSs1977Extension | kErrSs2000Extension, "CS Extension " + quoted(ext) + where);
    if (!n) add_error(out, kErrAjcc6N | kErrAjcc7N | kErrSs1977Nodes | kErrSs2000Nodes, "CS Lymph Nodes " + quoted(nodes) + where);
    if (!m) add_error(out, kErrAjcc6M | kErrAjcc7M | kErrSs1977Mets | kErrSs2000Mets, "CS Mets at DX " + quoted(mets) + where);

    out.ajcc6_t = e ? e->ajcc6 : "99";
    out.ajcc7_t = e ? e->ajcc7 : "999";
    out.ajcc6_n = n ? n->ajcc6 : "99";
    out.ajcc7_n = n ? n->ajcc7 : "999";
    out.ajcc6_m = m ? m->ajcc6 : "99";
    out.ajcc7_m = m ? m->ajcc7 : "999";
    out.ajcc6_t_descript = out.ajcc7_t_descript = descriptor(card_text(card, kInExtensionEval)[0]);
    out.ajcc6_n_descript = out.ajcc7_n_descript = descriptor(card_text(card, kInNodesEval)[0]);
    out.ajcc6_m_descript = out.ajcc7_m_descript = descriptor(card_text(card, kInMetsEval)[0]);
    const char* group = stage_group6(out.ajcc6_t, out.ajcc6_n, out.ajcc6_m);
    out.ajcc6_stage = group;
    out.ajcc7_stage = stage_group7(group);
    if (out.error_word != 0) {
        out.error_word |= kErrAjcc6Stage | kErrAjcc7Stage;
        set_summary(out, "9");
    } else {
        set_summary(out, summary_stage(e->spread, n->spread, m->spread));
    }
}

struct OutputSlot {
    CardItem item;
    std::string DerivedStage::*value;
};
constexpr OutputSlot kOutputSlots[] = {
    {{CSTAGE_DC_AJCC6_T, 2}, &DerivedStage::ajcc6_t},
    {{CSTAGE_DC_AJCC6_T_DESCRIPT, 1}, &DerivedStage::ajcc6_t_descript},
    {{CSTAGE_DC_AJCC6_N, 2}, &DerivedStage::ajcc6_n},
    {{CSTAGE_DC_AJCC6_N_DESCRIPT, 1}, &DerivedStage::ajcc6_n_descript},
    {{CSTAGE_DC_AJCC6_M, 2}, &DerivedStage::ajcc6_m},
    {{CSTAGE_DC_AJCC6_M_DESCRIPT, 1}, &DerivedStage::ajcc6_m_descript},
    {{CSTAGE_DC_AJCC6_STAGE, 2}, &DerivedStage::ajcc6_stage},
    {{CSTAGE_DC_AJCC7_T, 3}, &DerivedStage::ajcc7_t},
    {{CSTAGE_DC_AJCC7_T_DESCRIPT, 1}, &DerivedStage::ajcc7_t_descript},
    {{CSTAGE_DC_AJCC7_N, 3}, &DerivedStage::ajcc7_n},
    {{CSTAGE_DC_AJCC7_N_DESCRIPT, 1}, &DerivedStage::ajcc7_n_descript},
    {{CSTAGE_DC_AJCC7_M, 3}, &DerivedStage::ajcc7_m},
    {{CSTAGE_DC_AJCC7_M_DESCRIPT, 1}, &DerivedStage::ajcc7_m_descript},
    {{CSTAGE_DC_AJCC7_STAGE, 3}, &DerivedStage::ajcc7_stage},
    {{CSTAGE_DC_SS1977, 1}, &DerivedStage::ss1977},
    {{CSTAGE_DC_SS2000, 1}, &DerivedStage::ss2000},
};

}  // namespace

DerivedStage derive_stage(const char* card) {
    DerivedStage out;
    const Text site = card_text(card, kInSite);
    const Text hist = card_text(card, kInHistology);
    const Text ssf25 = card_text(card, in_ssf(25));
    const int schema = select_schema(site, hist, ssf25);
    if (schema < 1) {
        add_error(out, kErrAjccAll | kErrSs1977Schema | kErrSs2000Schema,
                  "Schema cannot be determined from site " + quoted(site) + ", histology " + quoted(hist) +
                      " and SSF25 " + quoted(ssf25));
        out.message += "No stage item can be derived for this case.\n";
        return out;
    }
    const char* name = schema_name(schema);
    if (schema == kSchemaHemeRetic) derive_systemic(out, card, name, "800", false);
    else if (schema == kSchemaMyeloma) derive_systemic(out, card, name, "810", true);
    else if (schema == kSchemaLymphoma) derive_lymphoma(out, card);
    else derive_solid(out, card, name);
    return out;
}

void write_derived_stage(char* card, const DerivedStage& stage) {
    for (std::size_t i = CSTAGE_DC_INPUT_SIZE; i < CSTAGE_DC_ERROR_WORD; ++i) card[i] = ' ';
    for (const OutputSlot& slot : kOutputSlots) put_card_text(card, slot.item, stage.*slot.value);
    set_card_error_word(card, stage.error_word);
    set_card_message(card, stage.message);
}

}  // namespace cstage_standin
