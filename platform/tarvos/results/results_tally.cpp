// SPDX-License-Identifier: Apache-2.0
#include "results_tally.h"

#include <tuple>

#include "os_support.h"

namespace tarvos {

std::vector<MessageRecord> FirstRecords::take() {
    std::vector<Kept> kept = kept_.take();
    std::vector<MessageRecord> records;
    records.reserve(kept.size());
    for (Kept& k : kept) records.push_back({k.record, std::move(k.id)});
    return records;
}

namespace {

// More groups than this (a file of unusual codes) are left to SQLite to
// sort, so that the memory stays the page's whatever the file holds.
constexpr std::size_t kChangeGroupsCounted = 4096;

// What the message groups may keep, and the stage problems beside the
// counts by key.
constexpr std::size_t kMessageRoom = std::size_t{2} << 20, kStageRoom = std::size_t{3} << 19;

}  // namespace

void ChangeTally::take(const ConversionRow& row) {
    if (gave_up_) return;
    if (row.has_null || row.record < last_record_) return give_up();
    last_record_ = row.record;
    if (!count(row.type, {}, {}, {}, row.record, by_type_)) return;
    static constexpr std::string_view kItems[] = {"histology", "grade", "site", "country"};
    for (int i = 0; i < 4; ++i) {
        const std::string_view from = row.codes[2 * i], to = row.codes[2 * i + 1];
        if (from != to && !count(row.type, kItems[i], from, to, row.record, changes_)) return;
    }
}

void ChangeTally::give_up() {
    gave_up_ = true;
    Groups().swap(by_type_);
    Groups().swap(changes_);
}

// Counts the row under its group; false when the tally gave up instead.
bool ChangeTally::count(std::string_view type, std::string_view item, std::string_view from, std::string_view to,
                        std::int64_t record, Groups& groups) {
    // Each part after its length, so that no two groups share a key.
    key_.clear();
    for (const std::string_view part : {type, item, from, to}) {
        const auto length = static_cast<std::uint32_t>(part.size());
        key_.append(reinterpret_cast<const char*>(&length), sizeof length).append(part);
    }
    auto it = groups.find(key_);
    const bool fresh = it == groups.end();
    if (fresh) {
        if (by_type_.size() + changes_.size() >= kChangeGroupsCounted) {
            give_up();
            return false;
        }
        Group g;
        g.change = {std::string(type), std::string(item), std::string(from), std::string(to), 0};
        it = groups.emplace(key_, std::move(g)).first;
    }
    Group& g = it->second;
    ++g.rows;
    if (fresh || g.last_record != record) {
        ++g.change.records;
        g.last_record = record;
    }
    return true;
}

void ChangeTally::finish(ResultsData& data) {
    for (const auto& [key, group] : by_type_) data.by_type.push_back({group.change.type, group.rows});
    std::sort(data.by_type.begin(), data.by_type.end(), [](const ConversionsOfType& a, const ConversionsOfType& b) {
        return a.rows != b.rows ? a.rows > b.rows : a.type < b.type;
    });
    for (const ConversionsOfType& t : data.by_type) data.conversions += t.rows;
    // Most records first, then by type, item and codes.
    const auto more_records = [](const CodeChange& a, const CodeChange& b) {
        if (a.records != b.records) return a.records > b.records;
        return std::tie(a.type, a.item, a.from, a.to) < std::tie(b.type, b.item, b.from, b.to);
    };
    FirstRows<CodeChange, decltype(more_records)> shown(kChangeGroupsShown, more_records);
    for (const auto& [key, group] : changes_) shown.offer(group.change);
    data.change_groups = shown.offered();
    data.changes = shown.take();
}

void MessageTally::take(std::int64_t record, std::string_view id, std::string_view message) {
    if (by_key_ || stage_) {
        const std::uint64_t hash = text_hash(message);
        if (by_key_ && !by_key_->add_soon(TextCounts::key_of_hash(hash))) give_up();
        if (stage_) stage_->take(record, id, message, hash);
    }
    if (gave_up_) {
        // Beside the counts, the stage problems keep to a room of their own;
        // past it they too are read back.
        if (stage_ && stage_->held() > kStageRoom) stage_.reset();
        return;
    }
    const std::uint64_t order = logged_++;
    auto it = texts_.find(message);
    if (it == texts_.end()) {
        room_ += message.size() + kHeldPerText;
        it = texts_.emplace(std::string(message), Text()).first;
    }
    ++it->second.count;
    if (it->second.first.wants(record, order)) {
        room_ += id.size() + kHeldPerRecord;
        it->second.first.keep(record, order, id);
    }
    if (room_ > kMessageRoom) count_by_key_from_now();
}

// The texts counted so far go into the counts by key, which take every later
// row; their memory goes back before the counts take theirs.
void MessageTally::count_by_key_from_now() {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> counted;
    counted.reserve(texts_.size());
    for (const auto& [text, t] : texts_) counted.emplace_back(TextCounts::key_of(text), t.count);
    drop_texts();
    by_key_ = std::make_shared<TextCounts>(spill_folder_);
    for (const auto& [key, count] : counted)
        if (!by_key_->add(key, count)) return give_up();
}

std::shared_ptr<TextCounts> MessageTally::take_counts_by_key() {
    if (by_key_ && !by_key_->settle()) give_up();
    return std::move(by_key_);
}

// Nothing is gathered any more: the page reads back every message.
void MessageTally::give_up() {
    by_key_.reset();
    stage_.reset();
    drop_texts();
}

void MessageTally::drop_texts() {
    gave_up_ = true;
    decltype(texts_)().swap(texts_);
    // What the texts held goes back to the system, rather than waiting in
    // the heap while the counts by key and the reading back take as much.
    give_back_free_memory();
}

void MessageTally::finish(ResultsData& data) {
    // Most often first, then by text.
    using Entry = std::pair<const std::string, Text>*;
    const auto more_often = [](Entry a, Entry b) {
        return a->second.count != b->second.count ? a->second.count > b->second.count : a->first < b->first;
    };
    FirstRows<Entry, decltype(more_often)> shown(kMessageGroupsShown, more_often);
    for (auto& entry : texts_) {
        data.messages += entry.second.count;
        shown.offer(&entry);
    }
    data.message_texts = texts_.size();
    for (Entry e : shown.take()) data.message_groups.push_back({e->first, e->second.count, e->second.first.take()});
    data.stage_problems = stage_->finish();
}

}  // namespace tarvos
