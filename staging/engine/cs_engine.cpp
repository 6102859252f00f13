// SPDX-License-Identifier: Apache-2.0
#include "cs_engine.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>
#include <functional>

#include "cs_code_lists.h"
#include "cs_matching.h"

namespace csengine {

// ---- Case -------------------------------------------------------------------

Case::Case(const Tables& tables)
    : tables_(&tables), values_(tables.key_count()), present_(tables.key_count(), 0) {}

void Case::clear() {
    std::fill(values_.begin(), values_.end(), std::string_view());
    std::fill(present_.begin(), present_.end(), 0);
}

void Case::set(KeyId key, std::string_view value) {
    if (key >= values_.size()) return;
    values_[key] = value;
    present_[key] = 1;
}

bool Case::set(std::string_view key, std::string_view value) {
    const KeyId k = tables_->find_key(key);
    if (k == kNoKey) return false;
    set(k, value);
    return true;
}

std::string_view Result::output(KeyId key) const {
    if (key >= output_slot.size() || output_slot[key] == 0) return {};
    return outputs[output_slot[key] - 1u].second;
}

std::string_view Result::output(const Tables& tables, std::string_view key) const {
    return output(tables.find_key(key));
}

// ---- one case's evaluation ------------------------------------------------

// At most this many schema selections are kept in a result: the values met
// first, which in a file of cases are the common ones.
constexpr std::size_t kKeptSelections = std::size_t{1} << 10;
// The places for rows kept in a result (2,048 of 56 bytes: about what 1,024
// rows kept under their values as text took).
constexpr unsigned kKeptRowBits = 11;

class Evaluation {
public:
    Evaluation(const Engine& engine, std::vector<std::string_view>& context, Result& result, Trace* trace)
        : engine_(engine),
          t_(engine.tables()),
          ctx_(context),
          result_(result),
          trace_(trace),
          stack_(result.table_stack),
          saved_(result.saved_values) {
        result_.unset.assign(t_.key_count(), 0);
    }

    std::string_view value(KeyId k) const { return ctx_[k]; }

    // The first row of the table that matches the context; for a table whose
    // search looks at many candidates, kept in the result under the values
    // of its inputs. Inline, as set_output() below.
    [[gnu::always_inline]] std::uint32_t match(TableId id) const {
        const Table& table = t_.table(id);
        const auto value = [this](KeyId k) { return ctx_[k]; };
        if (!engine_.rows_kept_[id] || table.inputs.size() > Result::kKeptInputs) return first_match(table, value);
        Result::KeptRow key{id, 0, {}};
        std::uint64_t place = (id + 1) * 0x9E3779B97F4A7C15ULL;
        for (std::size_t i = 0; i < table.inputs.size(); ++i) {
            if (!pack_code(ctx_[table.inputs[i]], key.values[i])) return first_match(table, value);
            place = (place ^ key.values[i]) * 0xC2B2AE3D27D4EB4FULL;
        }
        Result::KeptRow& kept = result_.kept_rows[place >> (64 - kKeptRowBits)];
        if (kept.table == id && kept.values == key.values) return kept.row;
        key.row = first_match(table, value);
        kept = key;
        return key.row;
    }

    void run_mapping(const Mapping& m) {
        if (!included(m)) {
            if (trace_) trace_->mapping(m, false);
            return;
        }
        if (trace_) trace_->mapping(m, true);
        for (const InitialValue& v : m.initial_context) {
            ctx_[v.key] = v.value;
            mark_set(v.key);
        }
        for (const TablePath& p : m.paths) run_path(p);
    }

    // A key without its value: an invalid input, or a result a problem kept
    // from being set. What reads it fails because of that problem.
    void mark_unset(KeyId k) {
        result_.unset[k] = 1;
        any_unset_ = true;
    }

private:
    bool included(const Mapping& m) {
        for (const TableCheck& c : m.inclusions)
            if (!check(c)) return false;
        for (const TableCheck& c : m.exclusions)
            if (check(c)) return false;
        return true;
    }

    // Keeps the values of the table's inputs with a problem about it: what
    // led the case there.
    void add_problem(Problem::Kind kind, KeyId key, TableId id, const TablePath& path, std::string_view text,
                     bool follows) {
        Problem& p = result_.problems.emplace_back(Problem{kind, key, id, text});
        p.follows = follows;
        const Table& table = t_.table(id);
        p.first_value = static_cast<std::uint32_t>(result_.problem_values.size());
        p.value_count = static_cast<std::uint32_t>(table.inputs.size());
        for (const KeyId input : table.inputs) {
            KeyId source = kNoKey;
            for (const KeyMap& km : path.input_mapping)
                if (km.to == input) source = km.from;
            result_.problem_values.push_back(ProblemValue{input, source, ctx_[input]});
        }
    }

    bool is_unset(KeyId k) const { return any_unset_ && result_.unset[k] != 0; }
    void mark_set(KeyId k) {
        if (any_unset_) result_.unset[k] = 0;
    }
    void copy_unset(KeyId from, KeyId to) {
        if (any_unset_) result_.unset[to] = result_.unset[from];
    }
    // Every result that the column of the table sets in any row, itself or
    // through the tables it jumps to: what the path did not get when the
    // table had no row, or an ERROR in that column.
    void mark_unset_results(const TablePath& path, TableId table, std::size_t column) {
        for (const KeyId k : engine_.column_results_[table][column]) mark_unset(path, k);
    }

    // A result of the table that the path did not get, under the names the
    // path gives it.
    void mark_unset(const TablePath& path, KeyId key) {
        bool renamed = false;
        for (const KeyMap& km : path.output_mapping) {
            if (km.from != key) continue;
            mark_unset(km.to);
            renamed = true;
        }
        if (!renamed) mark_unset(key);
    }

    // Matches the table on the context with the check's input mapping applied,
    // then puts the context back as it was.
    bool check(const TableCheck& c) {
        saved_.clear();
        for (const KeyMap& km : c.input_mapping) saved_.emplace_back(km.to, ctx_[km.to]);
        for (const KeyMap& km : c.input_mapping) ctx_[km.to] = ctx_[km.from];
        const bool matched = match(c.table) != kNoRow;
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) ctx_[it->first] = it->second;
        return matched;
    }

    void run_path(const TablePath& p) {
        for (const KeyMap& km : p.input_mapping) {
            ctx_[km.to] = ctx_[km.from];
            copy_unset(km.from, km.to);
        }
        stack_.clear();
        run_table(p.table, p, false);
        for (const KeyMap& km : p.input_mapping) {
            ctx_[km.to] = std::string_view();
            mark_set(km.to);
        }
    }

    // Runs a table on the path. A table that reads a value an earlier problem
    // left unset (or that a table reading one jumped to) passes that on: what
    // it sets is as unset, and its own problems follow from the earlier one.
    void run_table(TableId id, const TablePath& path, bool reads_unset) {
        if (std::find(stack_.begin(), stack_.end(), id) != stack_.end()) {
            result_.problems.push_back(Problem{Problem::Kind::JumpLoop, kNoKey, id});
            return;
        }
        const Table& table = t_.table(id);
        if (any_unset_)
            for (const KeyId k : table.inputs) reads_unset = reads_unset || is_unset(k);
        const std::uint32_t row = match(id);
        if (trace_) trace_->table(table, row, static_cast<int>(stack_.size()), ctx_);
        if (row == kNoRow) {
            add_problem(Problem::Kind::NoMatchingRow, kNoKey, id, path, {}, reads_unset);
            for (std::size_t column = 0; column < table.endpoints.size(); ++column)
                mark_unset_results(path, id, column);
            return;
        }
        stack_.push_back(id);
        const Endpoint* endpoints = table.row_endpoints(row);
        for (std::size_t i = 0; i < table.endpoints.size(); ++i) {
            const Endpoint& e = endpoints[i];
            switch (e.kind) {
            case Endpoint::Kind::Value:
                if (e.template_key == kNoKey)
                    set_output(path, e.key, e.text, reads_unset);
                else
                    set_output(path, e.key, ctx_[e.template_key], reads_unset || is_unset(e.template_key));
                break;
            case Endpoint::Kind::Jump:
                run_table(e.jump, path, reads_unset);
                break;
            case Endpoint::Kind::Error:
                add_problem(Problem::Kind::TableError, mapped_key(path, e.key), id, path, e.text, reads_unset);
                mark_unset_results(path, id, i);
                break;
            case Endpoint::Kind::Match:
            case Endpoint::Kind::Stop:
                break;
            }
        }
        stack_.pop_back();
    }

    // The name the path gives a table's result key.
    static KeyId mapped_key(const TablePath& path, KeyId key) {
        for (const KeyMap& km : path.output_mapping)
            if (km.from == key) return km.to;
        return key;
    }

    // Sets a table's result, under the names the path's output mapping gives
    // it; a value made from one left unset is as unset. Inline: it runs for
    // every value a row sets, and a call cost more than its work.
    [[gnu::always_inline]] void set_output(const TablePath& path, KeyId key, std::string_view v, bool unset) {
        bool renamed = false;
        for (const KeyMap& km : path.output_mapping) {
            if (km.from != key) continue;
            ctx_[km.to] = v;
            unset ? mark_unset(km.to) : mark_set(km.to);
            renamed = true;
            if (trace_) trace_->value(km.to, v, static_cast<int>(stack_.size()) - 1);
        }
        if (renamed) return;
        ctx_[key] = v;
        unset ? mark_unset(key) : mark_set(key);
        if (trace_) trace_->value(key, v, static_cast<int>(stack_.size()) - 1);
    }

    const Engine& engine_;
    const Tables& t_;
    std::vector<std::string_view>& ctx_;
    Result& result_;
    Trace* trace_;
    std::vector<TableId>& stack_;
    std::vector<std::pair<KeyId, std::string_view>>& saved_;
    bool any_unset_ = false;  // a key of result_.unset (all clear at the start) has been marked
};

// ---- Engine -----------------------------------------------------------------

namespace {

int calendar_year_now() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
#if defined(_WIN32)
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    return parts.tm_year + 1900;
}

// Adds lo..hi to codes when both are codes of the same length that differ only
// in their trailing digits (C000-C009, 8000-8005); false otherwise.
bool expand_range(std::string_view lo, std::string_view hi, std::set<std::string, std::less<>>& codes) {
    if (lo.size() != hi.size() || lo.empty()) return false;
    std::size_t digits = 0;
    while (digits < lo.size() && std::isdigit(static_cast<unsigned char>(lo[lo.size() - 1 - digits])) &&
           std::isdigit(static_cast<unsigned char>(hi[hi.size() - 1 - digits])))
        ++digits;
    if (digits == 0 || digits > 6 || lo.substr(0, lo.size() - digits) != hi.substr(0, hi.size() - digits))
        return false;
    const std::string prefix(lo.substr(0, lo.size() - digits));
    const long first = std::stol(std::string(lo.substr(lo.size() - digits)));
    const long last = std::stol(std::string(hi.substr(hi.size() - digits)));
    for (long n = first; n <= last; ++n) {
        std::string s = std::to_string(n);
        codes.insert(prefix + std::string(digits - std::min(digits, s.size()), '0') + s);
    }
    return true;
}

}  // namespace

Engine::Engine(const Tables& tables) : tables_(&tables) {
    keys_.site = tables.find_key("site");
    keys_.hist = tables.find_key("hist");
    keys_.ssf25 = tables.find_key("ssf25");
    keys_.year_dx = tables.find_key("year_dx");
    keys_.year_current = tables.find_key("ctx_year_current");
    set_current_year(calendar_year_now());
    build_code_set("primary_site", keys_.site, sites_);
    build_code_set("histology", keys_.hist, histologies_);
    build_site_index();
    build_valid_codes();
    build_plans();
    choose_tables_that_keep_rows();
    build_column_results();
}

void Engine::build_plans() {
    for (const Schema& s : tables_->schemas()) {
        SchemaPlan& plan = plans_.emplace_back();
        plan.output_slot.assign(tables_->key_count(), 0);
        for (std::size_t i = 0; i < s.outputs.size() && i < 255; ++i)
            plan.output_slot[s.outputs[i].key] = static_cast<std::uint8_t>(i + 1);
        plan.year_input = s.inputs.size();
        for (std::size_t i = 0; i < s.inputs.size() && plan.year_input == s.inputs.size(); ++i)
            if (s.inputs[i].key == keys_.year_dx && s.inputs[i].table != kNoTable) plan.year_input = i;
    }
}

void Engine::choose_tables_that_keep_rows() {
    // The rows a search looks at on average, for a table worth keeping rows of.
    constexpr double kWorthKeeping = 8.0;
    rows_kept_.assign(tables_->table_count(), 0);
    for (TableId id = 0; id < tables_->table_count(); ++id) {
        const Table& t = tables_->table(id);
        bool bounded_by_key = false;
        for (const Cell& cell : t.cells)
            for (std::uint32_t i = 0; i < cell.count && !bounded_by_key; ++i)
                bounded_by_key = t.ranges[cell.first + i].kind == Range::Kind::Template;
        rows_kept_[id] = !bounded_by_key && !t.inputs.empty() && t.index.average_candidates() >= kWorthKeeping;
    }
}

void Engine::build_column_results() {
    const std::size_t count = tables_->table_count();
    // Every key a table sets, through its jumps too; made once per table.
    std::vector<std::vector<KeyId>> all(count);
    std::vector<std::uint8_t> state(count, 0);  // 0 not yet, 1 in progress (a jump loop), 2 made
    const auto add = [](std::vector<KeyId>& to, const std::vector<KeyId>& from) {
        for (const KeyId k : from)
            if (std::find(to.begin(), to.end(), k) == to.end()) to.push_back(k);
    };
    std::function<const std::vector<KeyId>&(TableId)> all_of = [&](TableId id) -> const std::vector<KeyId>& {
        if (state[id] != 0) return all[id];
        state[id] = 1;
        const Table& t = tables_->table(id);
        std::vector<KeyId> keys(t.endpoints.begin(), t.endpoints.end());
        std::vector<TableId> targets;
        for (std::uint32_t r = 0; r < t.rows; ++r)
            for (std::size_t c = 0; c < t.endpoints.size(); ++c)
                if (const Endpoint& e = t.row_endpoints(r)[c]; e.kind == Endpoint::Kind::Jump)
                    if (std::find(targets.begin(), targets.end(), e.jump) == targets.end()) targets.push_back(e.jump);
        for (const TableId j : targets) add(keys, all_of(j));
        all[id] = std::move(keys);
        state[id] = 2;
        return all[id];
    };
    column_results_.resize(count);
    for (TableId id = 0; id < count; ++id) {
        const Table& t = tables_->table(id);
        column_results_[id].resize(t.endpoints.size());
        for (std::size_t c = 0; c < t.endpoints.size(); ++c) {
            std::vector<KeyId>& keys = column_results_[id][c];
            keys.push_back(t.endpoints[c]);
            std::vector<TableId> targets;
            for (std::uint32_t r = 0; r < t.rows; ++r)
                if (const Endpoint& e = t.row_endpoints(r)[c];
                    e.kind == Endpoint::Kind::Jump && std::find(targets.begin(), targets.end(), e.jump) == targets.end())
                    targets.push_back(e.jump);
            for (const TableId j : targets) add(keys, all_of(j));
        }
    }
}

void Engine::build_valid_codes() {
    std::unordered_map<std::uint64_t, const ValidCodes*> built;
    for (const Schema& s : tables_->schemas()) {
        std::vector<const ValidCodes*>& codes = input_codes_.emplace_back();
        for (const SchemaInput& in : s.inputs) {
            if (in.table == kNoTable) {
                codes.push_back(nullptr);
                continue;
            }
            const std::uint64_t id = (std::uint64_t{in.table} << 16) | in.table_column;
            auto [it, fresh] = built.emplace(id, nullptr);
            if (fresh) {
                auto v = std::make_unique<ValidCodes>();
                const Table& t = tables_->table(in.table);
                std::vector<std::pair<std::string_view, Span>> singles;
                for (std::uint32_t r = 0; r < t.rows; ++r) {
                    const Cell& cell = t.cell(r, in.table_column);
                    v->any = v->any || cell.any;
                    for (std::uint32_t i = 0; i < cell.count; ++i) {
                        const Range& range = t.ranges[cell.first + i];
                        if (range.kind == Range::Kind::Single)
                            singles.emplace_back(range.lo, Span{});
                        else
                            v->ranges.push_back(&range);
                    }
                }
                std::sort(singles.begin(), singles.end(),
                          [](const auto& a, const auto& b) { return a.first < b.first; });
                singles.erase(std::unique(singles.begin(), singles.end(),
                                          [](const auto& a, const auto& b) { return a.first == b.first; }),
                              singles.end());
                build_known_codes(*v, singles);
                if (v->known) std::erase_if(singles, [](const auto& single) { return single.first.size() <= 7; });
                v->singles.build(singles);
                it->second = v.get();
                valid_codes_.push_back(std::move(v));
            }
            codes.push_back(it->second);
        }
    }
}

namespace {

// The packed codes of n digits that parse as numbers from low to high: one
// run, as codes of one length order as their numbers do. False when none.
bool digit_run(double low, double high, std::size_t n, std::pair<std::uint64_t, std::uint64_t>& run) {
    static constexpr double kLargest[] = {0, 9, 99, 999, 9999, 99999, 999999, 9999999};
    const double first = std::max(0.0, std::ceil(low)), last = std::min(kLargest[n], std::floor(high));
    if (first > last) return false;
    const auto packed_digits = [n](double value) {
        char text[8];
        auto v = static_cast<std::uint64_t>(value);
        for (std::size_t i = n; i-- > 0; v /= 10) text[i] = static_cast<char>('0' + v % 10);
        std::uint64_t packed = 0;
        pack_code(std::string_view(text, n), packed);
        return packed;
    };
    run = {packed_digits(first), packed_digits(last)};
    return true;
}

// The bit of a code of one to three digits: codes of one digit from bit 0,
// of two from bit 10, of three from bit 110. False for any other code.
inline bool digit_code_bit(std::string_view code, std::size_t& bit) {
    static constexpr std::size_t kFirstBit[] = {0, 0, 10, 110};
    if (code.empty() || code.size() > 3) return false;
    std::size_t n = 0;
    for (const char c : code) {
        const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
        if (digit > 9) return false;
        n = n * 10 + digit;
    }
    bit = kFirstBit[code.size()] + n;
    return true;
}

// Packs a code as pack_code does, for a look in the packed runs, and tells
// whether it is digits alone: false for a code too long to pack or with a
// '-' or '.', which may be a number the runs of digits do not list.
inline bool pack_plain_code(std::string_view code, std::uint64_t& packed, bool& digits) {
    if (code.size() > 7) return false;
    std::uint64_t v = code.size();
    bool all_digits = !code.empty();
    for (const char c : code) {
        if (c == '-' || c == '.') return false;
        all_digits &= c >= '0' && c <= '9';
        v = (v << 8) | static_cast<unsigned char>(c);
    }
    packed = v;
    digits = all_digits;
    return true;
}

using PackedRuns = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

bool in_runs(const PackedRuns& runs, std::uint64_t packed) {
    const auto after = std::upper_bound(runs.begin(), runs.end(), packed,
                                        [](std::uint64_t p, const auto& run) { return p < run.first; });
    return after != runs.begin() && packed <= std::prev(after)->second;
}

}  // namespace

namespace {

// Every code of one to three digits as its packed code and its bit, in the
// order of the packed codes: made once.
const std::vector<std::pair<std::uint64_t, std::size_t>>& digit_codes_in_packed_order() {
    static const std::vector<std::pair<std::uint64_t, std::size_t>> codes = [] {
        std::vector<std::pair<std::uint64_t, std::size_t>> all;
        char text[3];
        for (std::size_t n = 1; n <= 3; ++n)
            for (std::size_t value = 0, end = n == 1 ? 10 : n == 2 ? 100 : 1000; value < end; ++value) {
                for (std::size_t i = n, v = value; i-- > 0; v /= 10) text[i] = static_cast<char>('0' + v % 10);
                std::uint64_t packed = 0;
                std::size_t bit = 0;
                if (pack_code(std::string_view(text, n), packed) && digit_code_bit(std::string_view(text, n), bit))
                    all.emplace_back(packed, bit);
            }
        std::sort(all.begin(), all.end());
        return all;
    }();
    return codes;
}

// Sorts runs and joins those that overlap or touch.
PackedRuns joined(PackedRuns runs) {
    std::sort(runs.begin(), runs.end());
    PackedRuns out;
    for (const auto& run : runs) {
        if (!out.empty() && run.first <= out.back().second + 1)
            out.back().second = std::max(out.back().second, run.second);
        else
            out.push_back(run);
    }
    return out;
}

}  // namespace

void Engine::build_known_codes(ValidCodes& codes, const std::vector<std::pair<std::string_view, Span>>& singles) const {
    PackedRuns text, numbers;
    std::uint64_t lo = 0, hi = 0;
    for (const auto& single : singles)
        if (pack_code(single.first, lo)) text.emplace_back(lo, lo);
    for (const Range* r : codes.ranges) {
        switch (r->kind) {
        case Range::Kind::Template: return;  // its bounds are known only in a calculation
        case Range::Kind::Single:
        case Range::Kind::Text:  // same-length text: ordered as its packed codes are
            if (pack_code(r->lo, lo) && pack_code(r->hi, hi)) text.emplace_back(lo, hi);
            break;
        case Range::Kind::Numeric:
            for (std::size_t n = 1; n <= 7; ++n)
                if (std::pair<std::uint64_t, std::uint64_t> run; digit_run(r->lo_number, r->hi_number, n, run))
                    numbers.push_back(run);
            break;
        }
    }
    codes.text_runs = joined(std::move(text));
    codes.number_runs = joined(std::move(numbers));
    codes.known = true;
    // The bits of the codes of one to three digits, from the runs: the codes
    // in their packed order walked once beside each list of runs.
    codes.digit_codes.assign((kDigitCodeBits + 63) / 64, 0);
    for (const PackedRuns* runs : {&codes.text_runs, &codes.number_runs}) {
        auto run = runs->begin();
        for (const auto& [packed, bit] : digit_codes_in_packed_order()) {
            while (run != runs->end() && run->second < packed) ++run;
            if (run == runs->end()) break;
            if (run->first <= packed) codes.digit_codes[bit / 64] |= std::uint64_t{1} << (bit % 64);
        }
    }
}

// Inline: it runs for every input of every calculation.
[[gnu::always_inline]] inline bool Engine::accepts(const ValidCodes& codes, std::string_view code,
                                                   const std::vector<std::string_view>* context) const {
    if (codes.any) return true;
    if (std::size_t bit = 0; !codes.digit_codes.empty() && digit_code_bit(code, bit))
        return (codes.digit_codes[bit / 64] >> (bit % 64)) & 1;
    std::uint64_t packed = 0;
    bool digits = false;
    if (!codes.known || !pack_plain_code(code, packed, digits)) return accepts_other(codes, code, context);
    return in_runs(codes.text_runs, packed) || (digits && in_runs(codes.number_runs, packed));
}

// A code not decided in advance: the single codes (of a known column, its
// runs of single codes and text ranges for a code that packs), then each
// range.
bool Engine::accepts_other(const ValidCodes& codes, std::string_view code,
                           const std::vector<std::string_view>* context) const {
    if (codes.any) return true;
    if (std::uint64_t packed = 0; codes.known && pack_code(code, packed) ? in_runs(codes.text_runs, packed)
                                                                         : codes.singles.find(code) != nullptr)
        return true;
    const auto value = [&](KeyId k) {
        if (context) return (*context)[k];
        return k == keys_.year_current ? std::string_view(current_year_text_) : std::string_view();
    };
    // The code is parsed as a number once, for every numeric range.
    Number number;
    bool parsed = false;
    for (const Range* r : codes.ranges) {
        if (r->kind != Range::Kind::Numeric) {
            if (contains(*r, code, value)) return true;
            continue;
        }
        if (!parsed) number = parse_number(code), parsed = true;
        if (within_number(*r, number)) return true;
    }
    return false;
}

void Engine::set_current_year(int year) {
    current_year_ = year;
    current_year_text_ = std::to_string(year);
}

void Engine::build_code_set(std::string_view table_id, KeyId key, CodeSet& codes) const {
    const TableId id = tables_->find_table(table_id);
    if (id == kNoTable) return;
    const Table& t = tables_->table(id);
    const auto col = std::find(t.inputs.begin(), t.inputs.end(), key);
    if (col == t.inputs.end()) return;
    for (std::uint32_t r = 0; r < t.rows; ++r) {
        const Cell& cell = t.cell(r, static_cast<std::size_t>(col - t.inputs.begin()));
        for (std::uint32_t i = 0; i < cell.count; ++i) {
            const Range& range = t.ranges[cell.first + i];
            if (range.kind == Range::Kind::Single || !expand_range(range.lo, range.hi, codes))
                codes.insert(std::string(range.lo));
        }
    }
}

// For each valid site, the schemas whose selection table has rows that take
// it, with those rows: a selection looks at no other row.
void Engine::build_site_index() {
    for (const std::string& site : sites_) {
        std::vector<SiteSchema> schemas;
        for (const Schema& s : tables_->schemas()) {
            const Table& t = tables_->table(s.selection);
            const auto col = std::find(t.inputs.begin(), t.inputs.end(), keys_.site);
            const std::size_t c = static_cast<std::size_t>(col - t.inputs.begin());
            const auto value = [&](KeyId k) { return k == keys_.site ? std::string_view(site) : std::string_view(); };
            std::vector<std::uint32_t> rows;
            for (std::uint32_t r = 0; r < t.rows; ++r)
                if (col == t.inputs.end() || cell_matches(t, t.cell(r, c), site, value)) rows.push_back(r);
            if (!rows.empty()) schemas.push_back(SiteSchema{&s, std::move(rows)});
        }
        site_schemas_.emplace_back(site, std::move(schemas));
    }
    std::vector<std::pair<std::string_view, Span>> entries;
    for (std::uint32_t i = 0; i < site_schemas_.size(); ++i) entries.emplace_back(site_schemas_[i].first, Span{i, 1});
    site_positions_.build(entries);
    entries.clear();
    for (const std::string& histology : histologies_) entries.emplace_back(histology, Span{0, 1});
    histology_codes_.build(entries);
}

SchemaSelection Engine::select_schema(std::string_view site, std::string_view hist, std::string_view ssf25) const {
    site = trim(site), hist = trim(hist), ssf25 = trim(ssf25);
    const Span* position = site_positions_.find(site);
    if (!position) return {SelectionOutcome::InvalidSite, nullptr};
    if (!histology_codes_.find(hist)) return {SelectionOutcome::InvalidHistology, nullptr};
    const auto it = site_schemas_.begin() + position->first;
    const Schema* chosen = nullptr;
    int with_ssf25 = 0, without_ssf25 = 0;
    const auto value = [&](KeyId k) {
        return k == keys_.site ? site : k == keys_.hist ? hist : k == keys_.ssf25 ? ssf25 : std::string_view();
    };
    // Checked against the numeric ranges of many rows: parsed once.
    const Number hist_number = parse_number(hist), ssf25_number = parse_number(ssf25);
    for (const SiteSchema& s : it->second) {
        const Table& t = tables_->table(s.schema->selection);
        bool pair_matches = false, case_matches = false;
        for (const std::uint32_t r : s.rows) {
            // The row takes the site: the pair when it takes the histology
            // too, the case when it also takes the SSF25.
            bool pair = true;
            for (std::size_t c = 0; c < t.inputs.size() && pair; ++c) {
                const KeyId k = t.inputs[c];
                if (k == keys_.hist)
                    pair = cell_matches(t, t.cell(r, c), hist, hist_number, value);
                else if (k != keys_.site && k != keys_.ssf25)
                    pair = cell_matches(t, t.cell(r, c), value(k), value);
            }
            if (!pair) continue;
            pair_matches = true;
            bool full = true;
            for (std::size_t c = 0; c < t.inputs.size() && full; ++c)
                if (t.inputs[c] == keys_.ssf25) full = cell_matches(t, t.cell(r, c), ssf25, ssf25_number, value);
            if (full) {
                case_matches = true;
                break;
            }
        }
        if (pair_matches) ++without_ssf25;
        if (case_matches) ++with_ssf25, chosen = s.schema;
    }
    if (with_ssf25 == 1) return {SelectionOutcome::Selected, chosen};
    if (without_ssf25 == 0) return {SelectionOutcome::NoSchemaForPair, nullptr};
    return {with_ssf25 == 0 ? SelectionOutcome::Ssf25SelectsNone : SelectionOutcome::Ssf25SelectsSeveral, nullptr};
}

bool Engine::is_valid_input(const Schema& schema, KeyId key, std::string_view code) const {
    for (std::size_t i = 0; i < schema.inputs.size(); ++i) {
        if (schema.inputs[i].key != key) continue;
        return schema.inputs[i].table == kNoTable || accepts(valid_codes(schema, i), code, nullptr);
    }
    return false;
}

// select_schema(), kept in the result for the next calculations of the same
// codes (at most kKeptSelections of them, the first met).
SchemaSelection Engine::kept_selection(std::string_view site, std::string_view hist, std::string_view ssf25,
                                       Result& result) const {
    Result::PackedSelection packed{};
    if (!pack_code(trim(site), packed.site) || !pack_code(trim(hist), packed.hist) ||
        !pack_code(trim(ssf25), packed.ssf25))
        return select_schema(site, hist, ssf25);
    if (const auto it = result.selections.find(packed); it != result.selections.end())
        return {it->second.first, it->second.second};
    const SchemaSelection s = select_schema(site, hist, ssf25);
    if (result.selections.size() < kKeptSelections) result.selections.emplace(packed, std::pair(s.outcome, s.schema));
    return s;
}

// The year check's table had no row for the year: the problem, with the
// values the table read, and every output blank.
void Engine::reject_year(const Schema& schema, const SchemaInput& year, Result& result) const {
    result.year_rejected = true;
    Problem p{Problem::Kind::YearRejected, year.key, year.table, result.context[year.key]};
    const Table& t = tables_->table(year.table);
    p.first_value = static_cast<std::uint32_t>(result.problem_values.size());
    p.value_count = static_cast<std::uint32_t>(t.inputs.size());
    for (const KeyId k : t.inputs) result.problem_values.push_back(ProblemValue{k, kNoKey, result.context[k]});
    result.problems.push_back(p);
    for (const SchemaOutput& out : schema.outputs) result.outputs.emplace_back(out.key, std::string_view());
}

void Engine::calculate(const Case& c, Result& result, Trace* trace) const {
    result.schema = nullptr;
    result.year_rejected = false;
    result.outputs.clear();
    result.problems.clear();
    result.problem_values.clear();
    if (result.matched_in != tables_) {
        result.kept_rows.assign(std::size_t{1} << kKeptRowBits, Result::KeptRow{});
        result.selections.clear();
        result.matched_in = tables_;
    }
    const auto given = [&](KeyId k) { return k == kNoKey ? std::string_view() : c.get(k); };
    const SchemaSelection selection = kept_selection(given(keys_.site), given(keys_.hist), given(keys_.ssf25), result);
    if (selection.outcome != SelectionOutcome::Selected) {
        result.output_slot.assign(tables_->key_count(), 0);
        Problem p{Problem::Kind::NoSchema};
        p.selection = selection.outcome;
        p.first_value = static_cast<std::uint32_t>(result.problem_values.size());
        p.value_count = 3;
        for (const KeyId k : {keys_.site, keys_.hist, keys_.ssf25})
            result.problem_values.push_back(ProblemValue{k, kNoKey, trim(given(k))});
        result.problems.push_back(p);
        return;
    }
    const Schema& schema = *selection.schema;
    const SchemaPlan& plan = plans_[static_cast<std::size_t>(schema.number - 1)];
    result.schema = &schema;
    result.output_slot = plan.output_slot;

    std::vector<std::string_view>& context = result.context;
    context.assign(tables_->key_count(), std::string_view());
    for (const SchemaInput& in : schema.inputs) context[in.key] = c.has(in.key) ? trim(c.get(in.key)) : in.default_value;
    if (keys_.year_current != kNoKey) context[keys_.year_current] = current_year_text_;

    Evaluation eval(*this, context, result, trace);
    if (plan.year_input < schema.inputs.size() && eval.match(schema.inputs[plan.year_input].table) == kNoRow) {
        reject_year(schema, schema.inputs[plan.year_input], result);
        return;
    }
    for (std::size_t i = 0; i < schema.inputs.size(); ++i) {
        const SchemaInput& in = schema.inputs[i];
        if (in.table == kNoTable || in.key == keys_.year_dx || context[in.key].empty()) continue;
        if (!accepts(valid_codes(schema, i), context[in.key], &context)) {
            result.problems.push_back(Problem{Problem::Kind::InvalidInput, in.key, in.table, context[in.key]});
            eval.mark_unset(in.key);
        }
    }
    for (const SchemaOutput& out : schema.outputs) context[out.key] = out.default_value;
    for (const Mapping& m : schema.mappings) eval.run_mapping(m);
    for (const SchemaOutput& out : schema.outputs) result.outputs.emplace_back(out.key, context[out.key]);
}

std::vector<Ssf25Choice> Engine::ssf25_choices(std::string_view site, std::string_view histology) const {
    std::vector<Ssf25Choice> choices;
    site = trim(site), histology = trim(histology);
    const Span* position = site_positions_.find(site);
    if (!position || !histology_codes_.find(histology)) return choices;
    const auto it = site_schemas_.begin() + position->first;
    const auto value = [&](KeyId k) { return k == keys_.site ? site : k == keys_.hist ? histology : std::string_view(); };
    // The SSF25 codes of the rows that take the pair, in the schemas that SSF25 decides.
    std::vector<std::string> codes;
    for (const SiteSchema& entry : it->second) {
        const Schema* s = entry.schema;
        if (!s->discriminated) continue;
        const Table& t = tables_->table(s->selection);
        for (std::uint32_t r = 0; r < t.rows; ++r) {
            bool pair = true;
            std::size_t ssf25_column = t.inputs.size();
            for (std::size_t col = 0; col < t.inputs.size() && pair; ++col) {
                if (t.inputs[col] == keys_.ssf25)
                    ssf25_column = col;
                else
                    pair = cell_matches(t, t.cell(r, col), value(t.inputs[col]), value);
            }
            if (!pair || ssf25_column == t.inputs.size()) continue;
            const std::vector<std::string> cell = cell_code_list(t, t.cell(r, ssf25_column), 3);
            codes.insert(codes.end(), cell.begin(), cell.end());
        }
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    for (std::string& code : codes) {
        const SchemaSelection s = select_schema(site, histology, code);
        if (s.outcome == SelectionOutcome::Selected) choices.push_back(Ssf25Choice{std::move(code), s.schema});
    }
    return choices;
}

const Schema* Engine::schema_by_name(std::string_view name) const {
    for (const Schema& s : tables_->schemas())
        if (s.name == name) return &s;
    return nullptr;
}

const Schema* Engine::schema_by_id(std::string_view id) const {
    for (const Schema& s : tables_->schemas())
        if (s.id == id) return &s;
    return nullptr;
}

}  // namespace csengine
