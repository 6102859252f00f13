// SPDX-License-Identifier: Apache-2.0
// The Collaborative Stage engine: schema selection and stage derivation for
// one case at a time over prepared tables. Inputs and outputs go by key
// ("site", "extension", "stor_ss2000", ...); problems are listed, never thrown.
// An Engine is read-only once built: calls may come from any thread.
#pragma once

#include <array>
#include <memory>
#include <set>
#include <span>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

#include "cs_tables.h"

namespace csengine {

// The inputs of one case by key. Values are not copied: they must stay valid
// until the calculation that reads them has returned. A key that was never
// set is absent and takes the schema's default; one set to blank stays blank.
class Case {
public:
    explicit Case(const Tables& tables);
    void clear();
    void set(KeyId key, std::string_view value);
    // False when no table knows the key.
    bool set(std::string_view key, std::string_view value);
    bool has(KeyId key) const { return present_[key] != 0; }
    std::string_view get(KeyId key) const { return values_[key]; }

private:
    const Tables* tables_;
    std::vector<std::string_view> values_;
    std::vector<unsigned char> present_;
};

enum class SelectionOutcome {
    Selected,
    InvalidSite,        // the site is not a valid code
    InvalidHistology,   // the histology is not a valid code
    NoSchemaForPair,    // no schema takes the site and histology
    Ssf25SelectsNone,   // the pair needs SSF25, and no schema takes this SSF25
    Ssf25SelectsSeveral // more than one schema takes the case
};

struct SchemaSelection {
    SelectionOutcome outcome = SelectionOutcome::NoSchemaForPair;
    const Schema* schema = nullptr;  // set when Selected
};

// A value that led to a problem: a key, the key its value was mapped from on
// the table's path (kNoKey when it was not mapped), and the value.
struct ProblemValue {
    KeyId key = kNoKey;
    KeyId source = kNoKey;
    std::string_view value;  // points into the case's inputs or the tables
};

struct Problem {
    enum class Kind {
        NoSchema,       // selection: the outcome; values: site, histology and SSF25
        YearRejected,   // text: the year of diagnosis
        InvalidInput,   // key: the input whose code is not valid; text: the code
        NoMatchingRow,  // table: no row matched; values: the table's inputs
        TableError,     // table, key: an ERROR endpoint was reached; text: its message; values: the table's inputs
        JumpLoop        // table: a jump to a table already running
    };
    Kind kind;
    KeyId key = kNoKey;
    TableId table = kNoTable;
    std::string_view text = {};  // points into the case's inputs or the tables
    SelectionOutcome selection = SelectionOutcome::Selected;
    std::uint32_t first_value = 0, value_count = 0;  // in Result::problem_values
    // The problem follows from an earlier one: the table read a value that an
    // invalid input, or a table without a row or with an ERROR row, left unset.
    bool follows = false;
};

struct Result {
    const Schema* schema = nullptr;
    bool year_rejected = false;
    // The schema's outputs, in order. Values point into the tables or into the
    // case's inputs: they stay valid while those do.
    std::vector<std::pair<KeyId, std::string_view>> outputs;
    std::vector<Problem> problems;
    std::vector<ProblemValue> problem_values;  // what led to each problem, by Problem::first_value
    // The calculation's working context and where each output key lies in
    // outputs (plus one), kept here to reuse their memory.
    std::vector<std::string_view> context;
    std::vector<std::uint8_t> output_slot;
    std::vector<std::uint8_t> unset;  // by key: left unset by a problem
    // The tables a path is running (jumps included), and the values a check
    // of an inclusion or exclusion table puts back after it.
    std::vector<TableId> table_stack;
    std::vector<std::pair<KeyId, std::string_view>> saved_values;

    // The rows that large tables matched for the values of their inputs, kept
    // from one calculation to the next: the same values match the same row.
    // A fixed number of places, each chosen by the table and its inputs'
    // packed values (see cs_code_index.h); a row found later takes the place
    // of one found earlier there.
    static constexpr std::size_t kKeptInputs = 6;
    struct KeptRow {
        TableId table = kNoTable;
        std::uint32_t row = 0;
        std::array<std::uint64_t, kKeptInputs> values{};  // packed, unused ones 0
    };
    std::vector<KeptRow> kept_rows;
    const Tables* matched_in = nullptr;  // the tables those rows and selections are of

    // The schema selected for a site, histology and SSF25 (each packed, see
    // cs_code_index.h), kept in the same way: a file names few of them.
    struct PackedSelection {
        std::uint64_t site, hist, ssf25;
        bool operator==(const PackedSelection&) const = default;
    };
    struct PackedSelectionHash {
        std::size_t operator()(const PackedSelection& s) const {
            return static_cast<std::size_t>((s.site * 0x9E3779B97F4A7C15ULL ^ s.hist) * 0xC2B2AE3D27D4EB4FULL ^
                                            s.ssf25 * 0x165667B19E3779F9ULL);
        }
    };
    std::unordered_map<PackedSelection, std::pair<SelectionOutcome, const Schema*>, PackedSelectionHash> selections;

    // The output's value; blank for a key the result does not hold.
    std::string_view output(KeyId key) const;
    std::string_view output(const Tables& tables, std::string_view key) const;
    std::span<const ProblemValue> values_of(const Problem& p) const {
        return std::span<const ProblemValue>(problem_values).subspan(p.first_value, p.value_count);
    }
};

// Follows a calculation step by step, for a person who wants to see why it
// came out as it did. Each call sees the working context as it is then.
class Trace {
public:
    virtual ~Trace() = default;
    // A mapping of the schema, and whether its inclusion and exclusion tables let it run.
    virtual void mapping(const Mapping& m, bool runs) = 0;
    // A table run on a path (depth 0) or jumped to (depth 1 and more); row is
    // the row that matched, kNoRow (see cs_matching.h) when none did.
    virtual void table(const Table& t, std::uint32_t row, int depth, const std::vector<std::string_view>& context) = 0;
    // A value the matched row set, under the name the path gives it.
    virtual void value(KeyId key, std::string_view v, int depth) = 0;
};

// An SSF25 code that selects a schema for a site and histology.
struct Ssf25Choice {
    std::string code;
    const Schema* schema;
};

class Engine {
public:
    explicit Engine(const Tables& tables);

    const Tables& tables() const { return *tables_; }

    SchemaSelection select_schema(std::string_view site, std::string_view histology, std::string_view ssf25) const;

    // Derives the stage of one case. The result is cleared first; a trace,
    // when given, follows every mapping and table.
    void calculate(const Case& c, Result& result, Trace* trace = nullptr) const;

    // For a site and histology whose schema SSF25 decides, every SSF25 code of
    // the deciding schemas' selection tables that selects one, by code; empty
    // when SSF25 decides nothing for the pair.
    std::vector<Ssf25Choice> ssf25_choices(std::string_view site, std::string_view histology) const;

    // Whether code is valid for the schema's input key (inputs without a
    // table accept anything).
    bool is_valid_input(const Schema& schema, KeyId key, std::string_view code) const;

    // The year that the year check takes as current: the calendar year at
    // construction. Tests pin it.
    void set_current_year(int year);
    int current_year() const { return current_year_; }

    const Schema* schema_by_name(std::string_view name) const;
    const Schema* schema_by_id(std::string_view id) const;

private:
    struct Keys {
        KeyId site, hist, ssf25, year_dx, year_current;
    };
    // Every code of a column, for the tests of membership that the selection
    // needs: ranges expanded.
    using CodeSet = std::set<std::string, std::less<>>;

    // The codes one column of a validation table accepts: single codes found
    // by hashing, ranges tried in turn. Most codes of a record are known in
    // advance: a code of one to three digits by a bit of its own, any other
    // code that packs (seven characters at most) by sorted runs of packed
    // codes, those of the single codes and text ranges (which hold every
    // such code they take) and, for a code of digits alone, those of the
    // numeric ranges as runs of digits of each length. A code with a '-' or
    // '.' may be a number written otherwise: the numeric ranges parse it.
    // Not for a column with a range bounded by another key; a known column's
    // single codes keep only those too long to pack.
    using PackedRuns = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    struct ValidCodes {
        bool any = false;
        CodeIndex singles;
        std::vector<const Range*> ranges;
        bool known = false;  // the bits and runs below tell every code they cover
        std::vector<std::uint64_t> digit_codes;  // kDigitCodeBits bits
        PackedRuns text_runs, number_runs;       // sorted, apart
    };
    static constexpr std::size_t kDigitCodeBits = 10 + 100 + 1000;
    void build_known_codes(ValidCodes& codes, const std::vector<std::pair<std::string_view, Span>>& singles) const;
    bool accepts(const ValidCodes& codes, std::string_view code, const std::vector<std::string_view>* context) const;
    bool accepts_other(const ValidCodes& codes, std::string_view code,
                       const std::vector<std::string_view>* context) const;
    const ValidCodes& valid_codes(const Schema& schema, std::size_t input) const {
        return *input_codes_[static_cast<std::size_t>(schema.number - 1)][input];
    }
    void build_valid_codes();

    void build_code_set(std::string_view table_id, KeyId key, CodeSet& codes) const;
    void build_site_index();
    void reject_year(const Schema& schema, const SchemaInput& year, Result& result) const;
    SchemaSelection kept_selection(std::string_view site, std::string_view hist, std::string_view ssf25,
                                   Result& result) const;
    friend class Evaluation;

    // Tables whose search for a row looks at many candidates, so that the
    // rows they match are worth keeping, and whose cells depend on nothing
    // but their inputs' values (no {{key}} bound).
    std::vector<std::uint8_t> rows_kept_;
    void choose_tables_that_keep_rows();

    // By table, then endpoint column: every key that the column sets in any
    // row, itself or through the tables it jumps to (as the tables name
    // them, before a path's mapping).
    std::vector<std::vector<std::vector<KeyId>>> column_results_;
    void build_column_results();

    const Tables* tables_;
    Keys keys_{};
    int current_year_ = 0;
    std::string current_year_text_;
    CodeSet sites_, histologies_;
    // A schema that takes a site, and the rows of its selection table that do.
    struct SiteSchema {
        const Schema* schema;
        std::vector<std::uint32_t> rows;
    };
    std::vector<std::pair<std::string, std::vector<SiteSchema>>> site_schemas_;  // sorted by site
    // Each valid site's place in site_schemas_, and the valid histologies:
    // looked up without comparing text.
    CodeIndex site_positions_, histology_codes_;
    // By schema (number - 1): where each key lies in the schema's outputs
    // (plus one, 0 for none), and the place in its inputs of the year the
    // year check reads (the number of inputs when it has none).
    struct SchemaPlan {
        std::vector<std::uint8_t> output_slot;
        std::size_t year_input = 0;
    };
    std::vector<SchemaPlan> plans_;
    void build_plans();
    std::vector<std::unique_ptr<ValidCodes>> valid_codes_;
    std::vector<std::vector<const ValidCodes*>> input_codes_;  // by schema, then input; null: no table
};

// The compact form carried in this library, and the engine over it, built on
// first use.
std::string_view embedded_tables_text();
const Tables& embedded_tables();
Engine& embedded_engine();
// How many schemas the carried tables hold, without building them.
int embedded_schema_count();

}  // namespace csengine
