// SPDX-License-Identifier: Apache-2.0
// The reasons the Collaborative Stage calculation gave for the records it
// could not stage, grouped as a registrar would mend them: by the kind of
// problem, the item and the schema, with the codes left out, so that a few
// root causes stand out from thousands of flagged records.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvos {

struct StageReason {
    std::string kind;    // "Invalid code", "No table row", "Table error", "No schema", ...
    std::string item;    // "CS Extension (item 2810)", "table ajcc7_stage_ubp", ...
    std::string schema;  // empty when no schema was selected
    bool operator==(const StageReason&) const = default;
};

// The words of the reason in a messages row "CS says: '...'", without the
// wrapper and the blank that ended its line; nothing for any other row.
std::optional<std::string_view> cs_says_words(std::string_view message);

// The reason in the words of a "CS says" row, as the Collaborative Stage
// library of this project writes them; words it does not know are kind
// "Other" with the words, codes left out, as their item.
StageReason stage_reason(std::string_view words);

struct ReasonRecord {
    std::int64_t record = 0;
    std::string patient_id;
};

struct StageProblem {
    StageReason reason;
    std::string example;  // the words of its first record, codes and all
    std::uint64_t records = 0;
    std::vector<ReasonRecord> first;  // the first kRecordsPerReason, by record number
};

inline constexpr std::size_t kStageProblemsShown = 200;
inline constexpr std::size_t kRecordsPerReason = 20;

struct StageProblems {
    std::vector<StageProblem> shown;  // most records first, at most kStageProblemsShown
    std::uint64_t reasons = 0;        // distinct reasons, all of them
};

// Groups the "CS says" rows of the messages table, given every row in the
// order logged; other rows are passed over.
class StageProblemTally {
public:
    StageProblemTally();
    ~StageProblemTally();
    StageProblemTally(const StageProblemTally&) = delete;
    StageProblemTally& operator=(const StageProblemTally&) = delete;

    void take(std::int64_t record, std::string_view patient_id, std::string_view message);
    // The same for a message whose text_hash the caller has already taken.
    void take(std::int64_t record, std::string_view patient_id, std::string_view message, std::uint64_t hash);
    StageProblems finish();
    // About the bytes the groups hold: their reasons, examples and records,
    // and the texts remembered.
    std::size_t held() const { return held_; }

private:
    void take_words(std::int64_t record, std::string_view patient_id, std::string_view message,
                    std::string_view words, std::uint64_t hash);
    struct Groups;
    std::unique_ptr<Groups> groups_;
    std::size_t held_ = 0;
};

}  // namespace tarvos
