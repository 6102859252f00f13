#include "card_calculation.h"

#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

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

struct ProblemBit {
    Problem::Kind kind;
    std::uint32_t bit;
};
constexpr ProblemBit kProblemBits[] = {
    {Problem::Kind::NoSchema, CSTAGE_ERR_NO_SCHEMA},
    {Problem::Kind::YearRejected, CSTAGE_ERR_YEAR},
    {Problem::Kind::InvalidInput, CSTAGE_ERR_INVALID_INPUT},
    {Problem::Kind::NoMatchingRow, CSTAGE_ERR_NO_MATCHING_ROW},
    {Problem::Kind::TableError, CSTAGE_ERR_TABLE_ERROR},
    {Problem::Kind::JumpLoop, CSTAGE_ERR_JUMP_LOOP},
};

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

// The line of each distinct problem met, kept: a file meets the same few
// problems again and again, and their texts take longer to write than the
// calculation. At most kKeptLines, the first met.
constexpr std::size_t kKeptLines = std::size_t{1} << 10;

class ProblemLines {
public:
    const std::string& line(const csengine::Engine& engine, const csengine::Result& result, const Problem& p) {
        if (engine_ != &engine || year_ != engine.current_year()) {
            lines_.clear();
            engine_ = &engine, year_ = engine.current_year();
        }
        // Everything the text is made of: the problem, its schema and the values behind it.
        key_.clear();
        const auto add = [this](const auto& v) { key_.append(reinterpret_cast<const char*>(&v), sizeof v); };
        const auto add_text = [&](std::string_view t) { add(t.size()), key_ += t; };
        add(p.kind), add(p.selection), add(p.key), add(p.table);
        add(result.schema ? result.schema->number : 0);
        add_text(p.text);
        for (const csengine::ProblemValue& v : result.values_of(p)) add(v.key), add(v.source), add_text(v.value);
        if (const auto it = lines_.find(key_); it != lines_.end()) return it->second;
        std::string text = problem_text(engine, result, p) + '\n';
        if (lines_.size() >= kKeptLines) return scratch_ = std::move(text);
        return lines_.emplace(key_, std::move(text)).first->second;
    }

private:
    const csengine::Engine* engine_ = nullptr;
    int year_ = 0;
    std::unordered_map<std::string, std::string> lines_;
    std::string key_, scratch_;
};

struct Workspace {
    std::mutex mutex;
    const csengine::Tables* tables = nullptr;
    std::optional<csengine::Case> the_case;
    csengine::Result result;
    ProblemLines lines;
    std::string message;
};
Workspace g_workspace;

// Whether text holds line as one of its lines.
bool holds_line(std::string_view text, std::string_view line) {
    for (std::size_t at = text.find(line); at != std::string_view::npos; at = text.find(line, at + 1))
        if (at == 0 || text[at - 1] == '\n') return true;
    return false;
}

// The message of a result into text: one line per problem, each ending in a
// newline, cut at a line end to fit the card's message area.
void message_text(const csengine::Engine& engine, const csengine::Result& result, ProblemLines& lines,
                  std::string& text) {
    text.clear();
    for (const Problem& p : result.problems) {
        // A problem that follows from one already told adds nothing a
        // registrar can act on.
        if (p.follows) continue;
        const std::string& line = lines.line(engine, result, p);
        // A table that runs on several paths can fail the same way on each:
        // say it once.
        if (holds_line(text, line)) continue;
        if (text.size() + line.size() > CSTAGE_DC_MESSAGE_SIZE - 1) break;
        text += line;
    }
}

}  // namespace

std::uint32_t error_word_for(const csengine::Engine& engine, const csengine::Result& result) {
    const CardKeys& keys = card_keys(engine.tables());
    std::uint32_t word = result.problems.empty() ? 0 : CSTAGE_ERR_PROBLEM;
    for (const Problem& p : result.problems)
        for (const ProblemBit& pb : kProblemBits)
            if (pb.kind == p.kind) word |= pb.bit;
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
    if (g_workspace.tables != &tables) g_workspace.the_case.emplace(tables), g_workspace.tables = &tables;
    csengine::Case& the_case = *g_workspace.the_case;
    csengine::Result& result = g_workspace.result;
    // Every card sets the same inputs, each of them: nothing of the last
    // card's case is left to clear.
    for (std::size_t i = 0; i < keys.inputs.size(); ++i) {
        const NaaccrItem& item = input_items()[i];
        the_case.set(keys.inputs[i], std::string_view(card + item.card, item.width));
    }
    engine.calculate(the_case, result);

    for (std::size_t i = 0; i < keys.outputs.size(); ++i) {
        const NaaccrItem& item = output_items()[i];
        put_text(card, item.card, item.width, result.output(keys.outputs[i]));
    }
    set_error_word(card, error_word_for(engine, result));
    message_text(engine, result, g_workspace.lines, g_workspace.message);
    set_message(card, g_workspace.message);
    return result.problems.empty() ? 0 : 1;
}

}  // namespace cstage
