// SPDX-License-Identifier: Apache-2.0
// cstage derive [--trace] NAME=VALUE...: stage derived for one case given by
// its inputs, each by its published key or its NAACCR item number; the
// schema, the 38 published outputs as key=value lines, then the problems.
// With --trace, every mapping and table the calculation visits, the row that
// matched and what it set.
#include <algorithm>
#include <charconv>

#include "commands.h"
#include "cs_matching.h"
#include "naaccr_columns.h"
#include "problem_text.h"

namespace cstage_cli {
namespace {

// The published outputs, in the order of the published expected results:
// the derived values, then the 16 storage items.
constexpr std::string_view kDerivedOutputs[] = {
    "ajcc6_t", "ajcc6_tdescriptor", "ajcc6_n", "ajcc6_ndescriptor", "ajcc6_m", "ajcc6_mdescriptor", "ajcc6_stage",
    "ajcc7_t", "ajcc7_tdescriptor", "ajcc7_n", "ajcc7_ndescriptor", "ajcc7_m", "ajcc7_mdescriptor", "ajcc7_stage",
    "t77",     "n77",               "m77",     "ss77",              "t2000",   "n2000",             "m2000",
    "ss2000"};
constexpr std::size_t kStorageOutputs = 16;

// The input a NAME stands for: a published key, or a NAACCR item number.
const cstage::NaaccrItem& named_input(std::string_view name) {
    if (const cstage::NaaccrItem* item = cstage::input_item(name)) return *item;
    int number = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (ec == std::errc() && end == name.data() + name.size())
        for (const cstage::NaaccrItem& item : cstage::input_items())
            if (item.item == number) return item;
    throw UsageError("unknown input \"" + std::string(name) +
                     "\": an input is a published key (site, hist, year_dx, extension, ssf1 ... ssf25) or its "
                     "NAACCR item number (400, 522, 390, 2810, ...); see cstage --help");
}

std::string quoted_values(const csengine::Tables& tables, const csengine::Table& table,
                          const std::vector<std::string_view>& context) {
    std::string text;
    for (const csengine::KeyId k : table.inputs) {
        if (!text.empty()) text += ", ";
        text += std::string(tables.key_name(k)) + " " + cstage::quoted(context[k]);
    }
    return text;
}

// Each step as an indented line.
class PrintedTrace : public csengine::Trace {
public:
    PrintedTrace(const csengine::Tables& tables, std::string& text) : tables_(tables), text_(text) {}

    void mapping(const csengine::Mapping& m, bool runs) override {
        text_ += "mapping " + std::string(m.id) + (runs ? "\n" : ": not run (its inclusion or exclusion tables)\n");
    }
    void table(const csengine::Table& t, std::uint32_t row, int depth,
               const std::vector<std::string_view>& context) override {
        text_ += std::string(2 * static_cast<std::size_t>(depth + 1), ' ') + (depth ? "jump to table " : "table ") +
                 std::string(t.id) + " (" + quoted_values(tables_, t, context) + "): " +
                 (row == csengine::kNoRow ? "no row matches" : "row " + std::to_string(row + 1) + " matches") + "\n";
    }
    void value(csengine::KeyId key, std::string_view v, int depth) override {
        text_ += std::string(2 * static_cast<std::size_t>(depth + 2), ' ') + "sets " +
                 std::string(tables_.key_name(key)) + " = " + cstage::quoted(v) + "\n";
    }

private:
    const csengine::Tables& tables_;
    std::string& text_;
};

}  // namespace

int derive_command(const csengine::Engine& engine, const Args& args, std::FILE* out) {
    bool trace = false;
    std::vector<std::pair<const cstage::NaaccrItem*, std::string_view>> given;
    for (const std::string_view arg : args) {
        if (arg == "--trace") {
            trace = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        if (eq == std::string_view::npos || eq == 0)
            throw UsageError("derive takes NAME=VALUE arguments, not \"" + std::string(arg) + "\"");
        const cstage::NaaccrItem& item = named_input(arg.substr(0, eq));
        const std::string_view value = arg.substr(eq + 1);
        if (value.size() > item.width)
            throw UsageError(std::string(arg) + ": " + cstage::key_label(item.key) + " takes at most " +
                             std::to_string(item.width) + (item.width == 1 ? " character" : " characters"));
        if (std::any_of(given.begin(), given.end(), [&](const auto& g) { return g.first == &item; }))
            throw UsageError(cstage::key_label(item.key) + " is given twice");
        given.emplace_back(&item, value);
    }
    if (given.empty()) throw UsageError("derive needs the case's inputs as NAME=VALUE arguments");

    const csengine::Tables& tables = engine.tables();
    csengine::Case c(tables);
    for (const auto& [item, value] : given) c.set(item->key, value);
    csengine::Result result;
    std::string steps;
    PrintedTrace printed(tables, steps);
    engine.calculate(c, result, trace ? &printed : nullptr);

    std::string text = "schema: " + (result.schema ? schema_title(*result.schema) : std::string("none")) + "\n";
    text += steps;
    const auto output_line = [&](std::string_view key) {
        text += std::string(key) + "=" + std::string(result.output(tables, key)) + "\n";
    };
    for (const std::string_view key : kDerivedOutputs) output_line(key);
    for (std::size_t i = 0; i < kStorageOutputs; ++i) output_line(cstage::output_items()[i].key);
    std::vector<std::string> told;
    for (const csengine::Problem& p : result.problems) {
        if (p.follows && !trace) continue;
        std::string line = (p.follows ? "problem (follows from one above): " : "problem: ") +
                           cstage::problem_text(engine, result, p) + "\n";
        // A table that runs on several paths can fail the same way on each.
        if (std::find(told.begin(), told.end(), line) != told.end()) continue;
        text += line;
        told.push_back(std::move(line));
    }
    print(out, text);
    return result.problems.empty() ? kExitOk : kExitProblems;
}

}  // namespace cstage_cli
