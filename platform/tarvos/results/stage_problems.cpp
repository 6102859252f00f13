// SPDX-License-Identifier: Apache-2.0
#include "stage_problems.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>

#include "capped_list.h"

namespace tarvos {
namespace {

constexpr std::string_view kCsSays = "CS says: '";
// At most so many distinct message texts are remembered with their reason.
constexpr std::size_t kTextsKept = 1024;

bool starts(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The text up to the first of the stops (all of it when none is there).
std::string_view until(std::string_view text, std::initializer_list<std::string_view> stops) {
    std::size_t end = text.size();
    for (const std::string_view stop : stops) end = std::min(end, text.find(stop));
    return text.substr(0, end);
}

// The words with each quoted code written '...': what stays is the same for
// every record with that reason.
std::string without_codes(std::string_view words) {
    std::string out;
    bool in_code = false;
    for (const char ch : words) {
        if (ch == '\'') {
            out += in_code ? "...'" : "'";
            in_code = !in_code;
        } else if (!in_code) {
            out += ch;
        }
    }
    return out;
}

// The schema named by "for schema Name"; the names have no blanks.
std::string schema_of(std::string_view words) {
    constexpr std::string_view kFor = " for schema ";
    const std::size_t at = words.find(kFor);
    if (at == std::string_view::npos) return {};
    return std::string(until(words.substr(at + kFor.size()), {" ", ":"}));
}

// The item of a "No schema:" reason: the one whose code failed, or the pair
// (or the three) when none of them alone did.
std::string no_schema_item(std::string_view rest) {
    if (starts(rest, "no schema takes ")) return "Primary Site and histology";
    if (starts(rest, "more than one schema takes ")) return "Primary Site, histology and SSF25";
    return std::string(until(rest, {" '"}));
}

}  // namespace

std::optional<std::string_view> cs_says_words(std::string_view message) {
    if (!starts(message, kCsSays) || message.size() < kCsSays.size() + 1 || message.back() != '\'') return std::nullopt;
    std::string_view words = message.substr(kCsSays.size(), message.size() - kCsSays.size() - 1);
    while (!words.empty() && words.back() == ' ') words.remove_suffix(1);
    return words;
}

StageReason stage_reason(std::string_view words) {
    StageReason r;
    r.schema = schema_of(words);
    if (starts(words, "No schema: ")) {
        r.kind = "No schema";
        r.item = no_schema_item(words.substr(11));
    } else if (starts(words, "Invalid ")) {
        r.kind = "Invalid code";
        r.item = until(words.substr(8), {" '"});
    } else if (starts(words, "No row of table ")) {
        r.kind = "No table row";
        r.item = "table " + std::string(until(words.substr(16), {" "}));
    } else if (starts(words, "Year of diagnosis ")) {
        r.kind = "Year rejected";
        r.item = "Date of Diagnosis (item 390)";
    } else if (starts(words, "Table ") && words.find(" reports an error for ") != std::string_view::npos) {
        constexpr std::string_view kFor = " reports an error for ";
        r.kind = "Table error";
        const std::string_view table = until(words.substr(6), {" "});
        r.item = std::string(until(words.substr(words.find(kFor) + kFor.size()), {" with ", " ("})) + " (table " +
                 std::string(table) + ")";
    } else if (starts(words, "Table ") && words.find(" is already running") != std::string_view::npos) {
        r.kind = "Jump not taken";
        r.item = "table " + std::string(until(words.substr(6), {" "}));
    } else {
        r.kind = "Other";
        r.item = without_codes(words);
    }
    return r;
}

struct StageProblemTally::Groups {
    struct Group {
        StageProblem problem;
        std::int64_t last_record = -1;  // a record counts once
    };
    // By (kind, item, schema), looked up with the reason's texts where they lie.
    using ReasonViews = std::tuple<std::string_view, std::string_view, std::string_view>;
    struct ReasonLess {
        using is_transparent = void;
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const {
            return views(a) < views(b);
        }
        template <typename Tuple>
        static ReasonViews views(const Tuple& t) {
            return {std::get<0>(t), std::get<1>(t), std::get<2>(t)};
        }
    };
    std::map<std::tuple<std::string, std::string, std::string>, Group, ReasonLess> by_reason;
    // Many records share a text: each text is read into its reason once.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view t) const { return std::hash<std::string_view>{}(t); }
    };
    std::unordered_map<std::string, Group*, TextHash, std::equal_to<>> by_text;

    Group& of(std::string_view message, std::string_view words) {
        if (const auto known = by_text.find(message); known != by_text.end()) return *known->second;
        StageReason reason = stage_reason(words);
        // Looked up without copying the reason; copied only for a new group.
        auto it = by_reason.find(ReasonViews(reason.kind, reason.item, reason.schema));
        if (it == by_reason.end()) it = by_reason.try_emplace({reason.kind, reason.item, reason.schema}).first;
        Group& g = it->second;
        if (g.problem.example.empty()) {
            g.problem.reason = std::move(reason);
            g.problem.example = std::string(words);
        }
        // A file of many distinct texts remembers only the first ones: the
        // memory stays the same whatever the file's size.
        if (by_text.size() < kTextsKept) by_text.emplace(std::string(message), &g);
        return g;
    }
};

StageProblemTally::StageProblemTally() : groups_(std::make_unique<Groups>()) {}

StageProblemTally::~StageProblemTally() = default;

void StageProblemTally::take(std::int64_t record, std::string_view patient_id, std::string_view message) {
    const std::optional<std::string_view> words = cs_says_words(message);
    if (!words) return;
    Groups::Group& g = groups_->of(message, *words);
    if (record == g.last_record) return;
    g.last_record = record;
    ++g.problem.records;
    if (g.problem.first.size() < kRecordsPerReason)
        push_within(g.problem.first, {record, std::string(patient_id)}, kRecordsPerReason);
}

StageProblems StageProblemTally::finish() {
    StageProblems problems;
    problems.reasons = groups_->by_reason.size();
    // Most records first, the reasons of as many in their order; only the
    // problems shown are moved out.
    std::vector<StageProblem*> order;
    order.reserve(groups_->by_reason.size());
    for (auto& [key, g] : groups_->by_reason) order.push_back(&g.problem);
    std::stable_sort(order.begin(), order.end(),
                     [](const StageProblem* a, const StageProblem* b) { return a->records > b->records; });
    order.resize(std::min(order.size(), kStageProblemsShown));
    problems.shown.reserve(order.size());
    for (StageProblem* p : order) problems.shown.push_back(std::move(*p));
    return problems;
}

}  // namespace tarvos
