// SPDX-License-Identifier: Apache-2.0
#include "card_calculation.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cstage0205.h"
#include "datacard.h"
#include "naaccr_columns.h"
#include "problem_text.h"

namespace cstage {
namespace {

using csengine::KeyId;
using csengine::Problem;

// The bit that says a storage item was left blank, in the order of output_items().
constexpr std::uint32_t kNotDerivedBits[] = {
    CSTAGE_ERR_AJCC6_T, CSTAGE_ERR_AJCC6_T_DESCRIPT, CSTAGE_ERR_AJCC6_N, CSTAGE_ERR_AJCC6_N_DESCRIPT,
    CSTAGE_ERR_AJCC6_M, CSTAGE_ERR_AJCC6_M_DESCRIPT, CSTAGE_ERR_AJCC6_STAGE,
    CSTAGE_ERR_AJCC7_T, CSTAGE_ERR_AJCC7_T_DESCRIPT, CSTAGE_ERR_AJCC7_N, CSTAGE_ERR_AJCC7_N_DESCRIPT,
    CSTAGE_ERR_AJCC7_M, CSTAGE_ERR_AJCC7_M_DESCRIPT, CSTAGE_ERR_AJCC7_STAGE,
    CSTAGE_ERR_SS1977, CSTAGE_ERR_SS2000,
};

// The bit of each kind of problem, by Problem::Kind.
constexpr std::uint32_t kProblemBits[] = {
    CSTAGE_ERR_NO_SCHEMA,        // NoSchema
    CSTAGE_ERR_YEAR,             // YearRejected
    CSTAGE_ERR_INVALID_INPUT,    // InvalidInput
    CSTAGE_ERR_NO_MATCHING_ROW,  // NoMatchingRow
    CSTAGE_ERR_TABLE_ERROR,      // TableError
    CSTAGE_ERR_JUMP_LOOP,        // JumpLoop
};
static_assert(static_cast<std::size_t>(Problem::Kind::JumpLoop) + 1 == std::size(kProblemBits));
// Whether each kind of problem is about a table, by Problem::Kind.
constexpr bool kTableProblems[] = {false, false, false, true, true, true};
static_assert(std::size(kTableProblems) == std::size(kProblemBits));

// The engine's key numbers of the card's inputs and outputs, looked up once.
struct CardKeys {
    std::array<KeyId, 42> inputs{};
    std::array<KeyId, 17> outputs{};
};

const CardKeys& card_keys(const csengine::Tables& tables) {
    static const CardKeys keys = [&] {
        CardKeys k;
        for (std::size_t i = 0; i < k.inputs.size(); ++i) k.inputs[i] = tables.find_key(input_items()[i].key);
        for (std::size_t i = 0; i < k.outputs.size(); ++i) k.outputs[i] = tables.find_key(output_items()[i].key);
        return k;
    }();
    return keys;
}

// The line of each failed schema selection met, kept: a file meets the same
// few again and again, and telling which SSF25 codes would have selected a
// schema takes a search of the selection tables. At most kKeptLines, the
// first met. Every other problem's line is written afresh: it takes less
// than finding it again would.
constexpr std::size_t kKeptLines = std::size_t{1} << 10;

class SelectionLines {
public:
    // Appends the line of a NoSchema problem to text.
    void append(const ProblemWriter& writer, const csengine::Result& result, const Problem& p, std::string& text) {
        // Everything the line is made of: the outcome and the values behind it.
        key_.clear();
        key_ += static_cast<char>(p.selection);
        for (const csengine::ProblemValue& v : result.values_of(p)) {
            const auto size = static_cast<std::uint32_t>(v.value.size());
            key_.append(reinterpret_cast<const char*>(&size), sizeof size).append(v.value);
        }
        if (const auto it = lines_.find(key_); it != lines_.end()) {
            text += it->second;
            return;
        }
        const std::size_t start = text.size();
        writer.append(result, p, text);
        if (lines_.size() < kKeptLines) lines_.emplace(key_, text.substr(start));
    }
    void clear() { lines_.clear(); }

private:
    std::unordered_map<std::string, std::string> lines_;
    std::string key_;
};

struct Workspace {
    std::mutex mutex;
    const csengine::Tables* tables = nullptr;
    std::optional<csengine::Case> the_case;
    csengine::Result result;
    std::optional<ProblemWriter> writer;
    SelectionLines selection_lines;
    std::string message;
    std::vector<std::pair<std::size_t, std::size_t>> told;  // where each table's line of the message lies
};
Workspace g_workspace;

// The message of a result into text: one line per problem, each ending in a
// newline, cut at a line end to fit the card's message area. Each line is
// written at the end of the text and taken back when it is not kept.
void message_text(Workspace& w, const csengine::Result& result) {
    std::string& text = w.message;
    text.clear();
    w.told.clear();
    for (const Problem& p : result.problems) {
        // A problem that follows from one already told adds nothing a
        // registrar can act on.
        if (p.follows) continue;
        const std::size_t start = text.size();
        if (p.kind == Problem::Kind::NoSchema)
            w.selection_lines.append(*w.writer, result, p, text);
        else
            w.writer->append(result, p, text);
        text += '\n';
        const std::string_view line = std::string_view(text).substr(start);
        // A table that runs on several paths can fail the same way on each:
        // say it once. Only a table's lines can repeat: every other kind
        // names its own input, or comes once.
        const bool of_table = kTableProblems[static_cast<std::size_t>(p.kind)];
        if (of_table && std::any_of(w.told.begin(), w.told.end(), [&](const auto& at) {
                return at.second == line.size() && std::string_view(text).substr(at.first, at.second) == line;
            })) {
            text.resize(start);
            continue;
        }
        if (text.size() > CSTAGE_DC_MESSAGE_SIZE - 1) {
            text.resize(start);
            break;
        }
        if (of_table) w.told.emplace_back(start, line.size());
    }
}

}  // namespace

std::uint32_t error_word_for(const csengine::Engine& engine, const csengine::Result& result) {
    const CardKeys& keys = card_keys(engine.tables());
    std::uint32_t word = result.problems.empty() ? 0 : CSTAGE_ERR_PROBLEM;
    for (const Problem& p : result.problems) word |= kProblemBits[static_cast<std::size_t>(p.kind)];
    for (std::size_t i = 0; i < std::size(kNotDerivedBits); ++i)
        if (result.output(keys.outputs[i]).empty()) word |= kNotDerivedBits[i];
    return word;
}

int calculate_card(const csengine::Engine& engine, char* card) {
    const csengine::Tables& tables = engine.tables();
    const CardKeys& keys = card_keys(tables);
    // One case and result for the process, kept to reuse their memory. No
    // thread-local storage: the library must unload when it is released.
    const std::lock_guard<std::mutex> lock(g_workspace.mutex);
    if (!g_workspace.writer || &g_workspace.writer->engine() != &engine || g_workspace.tables != &tables) {
        g_workspace.the_case.emplace(tables), g_workspace.tables = &tables;
        g_workspace.writer.emplace(engine);
        g_workspace.selection_lines.clear();
    }
    csengine::Case& the_case = *g_workspace.the_case;
    csengine::Result& result = g_workspace.result;
    // Every card sets the same inputs, each of them: nothing of the last
    // card's case is left to clear.
    const std::span<const NaaccrItem> inputs = input_items();
    for (std::size_t i = 0; i < keys.inputs.size(); ++i)
        the_case.set(keys.inputs[i], std::string_view(card + inputs[i].card, inputs[i].width));
    engine.calculate(the_case, result);

    const std::span<const NaaccrItem> outputs = output_items();
    for (std::size_t i = 0; i < keys.outputs.size(); ++i)
        put_text(card, outputs[i].card, outputs[i].width, result.output(keys.outputs[i]));
    set_error_word(card, error_word_for(engine, result));
    message_text(g_workspace, result);
    set_message(card, g_workspace.message);
    return result.problems.empty() ? 0 : 1;
}

}  // namespace cstage
