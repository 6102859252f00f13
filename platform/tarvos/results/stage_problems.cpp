// SPDX-License-Identifier: Apache-2.0
#include "stage_problems.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <unordered_map>

#include "capped_list.h"
#include "text_counts.h"

namespace tarvos {
namespace {

constexpr std::string_view kCsSays = "CS says: '";
// What a group, a remembered text and a kept record cost the heap besides
// their characters: nodes, buckets, the blocks of their texts.
constexpr std::size_t kHeldPerGroup = 256, kHeldPerText = 96;
// A kept record lies in its group's list (of at most kRecordsPerReason); its
// Patient ID takes a block of its own only when too long to lie within.
constexpr std::size_t kHeldPerRecord = sizeof(ReasonRecord), kShortText = 15, kHeldPerBlock = 24;
// At most so many distinct message texts are remembered with their reason.
constexpr std::size_t kTextsKept = 1024;

bool starts(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The text up to the first of the stops (all of it when none is there).
std::string_view until(std::string_view text, std::initializer_list<std::string_view> stops) {
    std::size_t end = text.size();
    for (const std::string_view stop : stops) end = std::min(end, text.find(stop));
    return text.substr(0, end);
}

// The words with each quoted code written '...', appended to out: what
// stays is the same for every record with that reason.
void append_without_codes(std::string_view words, std::string& out) {
    bool in_code = false;
    for (const char ch : words) {
        if (ch == '\'') {
            out += in_code ? "...'" : "'";
            in_code = !in_code;
        } else if (!in_code) {
            out += ch;
        }
    }
}

// The schema named by "for schema Name"; the names have no blanks.
std::string_view schema_of(std::string_view words) {
    constexpr std::string_view kFor = " for schema ";
    const std::size_t at = words.find(kFor);
    if (at == std::string_view::npos) return {};
    return until(words.substr(at + kFor.size()), {" ", ":"});
}

enum class Kind : char { no_schema, invalid_code, no_table_row, year_rejected, table_error, jump_not_taken, other };
constexpr std::string_view kKindNames[] = {"No schema",   "Invalid code",   "No table row", "Year rejected",
                                           "Table error", "Jump not taken", "Other"};

// The item of a "No schema:" reason: the one whose code failed, or the pair
// (or the three) when none of them alone did.
void append_no_schema_item(std::string_view rest, std::string& out) {
    if (starts(rest, "no schema takes "))
        out += "Primary Site and histology";
    else if (starts(rest, "more than one schema takes "))
        out += "Primary Site, histology and SSF25";
    else
        out += until(rest, {" '"});
}

// The item of the reason in words, appended to out; its kind.
Kind append_item(std::string_view words, std::string& out) {
    constexpr std::string_view kReportsFor = " reports an error for ";
    if (starts(words, "No schema: ")) {
        append_no_schema_item(words.substr(11), out);
        return Kind::no_schema;
    }
    if (starts(words, "Invalid ")) {
        out += until(words.substr(8), {" '"});
        return Kind::invalid_code;
    }
    if (starts(words, "No row of table ")) {
        out.append("table ").append(until(words.substr(16), {" "}));
        return Kind::no_table_row;
    }
    if (starts(words, "Year of diagnosis ")) {
        out += "Date of Diagnosis (item 390)";
        return Kind::year_rejected;
    }
    if (starts(words, "Table ")) {
        const std::string_view table = until(words.substr(6), {" "});
        if (const std::size_t at = words.find(kReportsFor); at != std::string_view::npos) {
            out.append(until(words.substr(at + kReportsFor.size()), {" with ", " ("}));
            out.append(" (table ").append(table).append(")");
            return Kind::table_error;
        }
        if (words.find(" is already running") != std::string_view::npos) {
            out.append("table ").append(table);
            return Kind::jump_not_taken;
        }
    }
    append_without_codes(words, out);
    return Kind::other;
}

// The reason in words as one text, for grouping without a text made for
// each part: its kind, the length of its item (4 bytes), the item, the
// schema. Written into key, whose room is reused.
void reason_key(std::string_view words, std::string& key) {
    constexpr std::size_t kItemAt = 5;
    key.assign(kItemAt, '\0');
    key[0] = static_cast<char>(append_item(words, key));
    const auto item = static_cast<std::uint32_t>(key.size() - kItemAt);
    std::memcpy(&key[1], &item, sizeof item);
    key += schema_of(words);
}

StageReason reason_of_key(std::string_view key) {
    std::uint32_t item = 0;
    std::memcpy(&item, key.data() + 1, sizeof item);
    return {std::string(kKindNames[static_cast<int>(key[0])]), std::string(key.substr(5, item)),
            std::string(key.substr(5 + item))};
}

}  // namespace

std::optional<std::string_view> cs_says_words(std::string_view message) {
    if (!starts(message, kCsSays) || message.size() < kCsSays.size() + 1 || message.back() != '\'') return std::nullopt;
    std::string_view words = message.substr(kCsSays.size(), message.size() - kCsSays.size() - 1);
    while (!words.empty() && words.back() == ' ') words.remove_suffix(1);
    return words;
}

StageReason stage_reason(std::string_view words) {
    std::string key;
    reason_key(words, key);
    return reason_of_key(key);
}

struct StageProblemTally::Groups {
    struct Group {
        StageProblem problem;
        std::int64_t last_record = -1;  // a record counts once
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view t) const { return std::hash<std::string_view>{}(t); }
    };
    // A text's hash is its place already.
    struct Hashed {
        std::size_t operator()(std::uint64_t hash) const { return static_cast<std::size_t>(hash ^ (hash >> 32)); }
    };
    struct Remembered {
        std::string text;
        Group* group;
    };
    // By the reason's key (reason_key).
    std::unordered_map<std::string, Group, TextHash, std::equal_to<>> by_reason;
    // Many records share a text: each text is read into its reason once.
    // By the text's hash, the text checked on a hit: a text not remembered
    // costs no comparison.
    std::unordered_map<std::uint64_t, Remembered, Hashed> by_text;
    std::string key;

    Group& of(std::string_view message, std::uint64_t hash, std::string_view words, std::size_t& held) {
        const auto known = by_text.find(hash);
        if (known != by_text.end() && known->second.text == message) return *known->second.group;
        reason_key(words, key);
        auto it = by_reason.find(std::string_view(key));
        if (it == by_reason.end()) {
            it = by_reason.try_emplace(key).first;
            it->second.problem.reason = reason_of_key(key);
            it->second.problem.example = std::string(words);
            held += kHeldPerGroup + 2 * key.size() + words.size();
        }
        // A file of many distinct texts remembers only the first ones: the
        // memory stays the same whatever the file's size.
        if (by_text.size() < kTextsKept && known == by_text.end()) {
            by_text.emplace(hash, Remembered{std::string(message), &it->second});
            held += kHeldPerText + message.size();
        }
        return it->second;
    }
};

StageProblemTally::StageProblemTally() : groups_(std::make_unique<Groups>()) {}

StageProblemTally::~StageProblemTally() = default;

void StageProblemTally::take(std::int64_t record, std::string_view patient_id, std::string_view message) {
    if (const std::optional<std::string_view> words = cs_says_words(message))
        take_words(record, patient_id, message, *words, text_hash(message));
}

void StageProblemTally::take(std::int64_t record, std::string_view patient_id, std::string_view message,
                             std::uint64_t hash) {
    if (const std::optional<std::string_view> words = cs_says_words(message))
        take_words(record, patient_id, message, *words, hash);
}

void StageProblemTally::take_words(std::int64_t record, std::string_view patient_id, std::string_view message,
                                   std::string_view words, std::uint64_t hash) {
    Groups::Group& g = groups_->of(message, hash, words, held_);
    if (record == g.last_record) return;
    g.last_record = record;
    ++g.problem.records;
    if (g.problem.first.size() < kRecordsPerReason) {
        push_within(g.problem.first, {record, std::string(patient_id)}, kRecordsPerReason);
        held_ += kHeldPerRecord + (patient_id.size() > kShortText ? patient_id.size() + kHeldPerBlock : 0);
    }
}

StageProblems StageProblemTally::finish() {
    StageProblems problems;
    problems.reasons = groups_->by_reason.size();
    // Most records first, the reasons of as many by kind, item and schema;
    // only the problems shown are moved out.
    std::vector<StageProblem*> order;
    order.reserve(groups_->by_reason.size());
    for (auto& [key, g] : groups_->by_reason) order.push_back(&g.problem);
    std::sort(order.begin(), order.end(), [](const StageProblem* a, const StageProblem* b) {
        const StageReason &x = a->reason, &y = b->reason;
        return a->records != b->records ? a->records > b->records
                                        : std::tie(x.kind, x.item, x.schema) < std::tie(y.kind, y.item, y.schema);
    });
    order.resize(std::min(order.size(), kStageProblemsShown));
    problems.shown.reserve(order.size());
    for (StageProblem* p : order) problems.shown.push_back(std::move(*p));
    return problems;
}

}  // namespace tarvos
