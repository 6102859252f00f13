// SPDX-License-Identifier: Apache-2.0
#include "audit.h"

#include <algorithm>

#include "naaccr_columns.h"
#include "problem_text.h"

namespace cstage_cli {
namespace {

// The columns of the record type and version (NAACCR columns 1 and 17-19),
// the year and the version the CS inputs are coded in (1161-1166).
constexpr std::size_t kRecordType = 0;
constexpr std::size_t kVersion = 16;
constexpr std::size_t kYear = 529;
constexpr std::size_t kCsVersionInputCurrent = 1160;
constexpr std::size_t kPatientId = 41;

bool known_record(std::string_view line) {
    const char type = line[kRecordType];
    const std::string_view version = line.substr(kVersion, 3);
    return (type == 'A' || type == 'M' || type == 'C' || type == 'I') && (version == "140" || version == "150");
}

// The stored code against the derived one, which the record holds cut to
// the item's width and padded with blanks.
bool same_code(std::string_view stored, std::string_view derived) {
    if (derived.size() > stored.size()) derived = derived.substr(0, stored.size());
    if (stored.substr(0, derived.size()) != derived) return false;
    return stored.find_first_not_of(' ', derived.size()) == std::string_view::npos;
}

}  // namespace

std::string not_derivable_reason(const csengine::Engine& engine, const csengine::Problem& p) {
    using csengine::SelectionOutcome;
    if (p.kind == csengine::Problem::Kind::YearRejected)
        return "year of diagnosis after " + std::to_string(engine.current_year()) + " or not a year";
    switch (p.selection) {
    case SelectionOutcome::InvalidSite: return "no schema: " + cstage::key_label("site") + " is not a valid code";
    case SelectionOutcome::InvalidHistology: return "no schema: " + cstage::key_label("hist") + " is not a valid code";
    case SelectionOutcome::NoSchemaForPair: return "no schema takes the Primary Site with the histology";
    case SelectionOutcome::Ssf25SelectsNone: return "no schema: " + cstage::key_label("ssf25") + " selects none";
    case SelectionOutcome::Ssf25SelectsSeveral: return "no schema: more than one schema takes the case";
    case SelectionOutcome::Selected: break;
    }
    return "no schema";
}

Auditor::Auditor(const csengine::Engine& engine) : engine_(engine), case_(engine.tables()) {
    const csengine::Tables& tables = engine.tables();
    for (std::size_t i = 0; i < inputs_.size(); ++i) {
        const cstage::NaaccrItem& item = cstage::input_items()[i];
        inputs_[i] = tables.find_key(item.key);
        reach_ = std::max(reach_, item.offset + item.width);
    }
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        const cstage::NaaccrItem& item = cstage::output_items()[i];
        outputs_[i] = tables.find_key(item.key);
        reach_ = std::max(reach_, item.offset + item.width);
    }
}

void Auditor::audit(std::string_view line, std::uint64_t line_number, const DifferenceSink& differences) {
    ++counts_.read;
    if (line.size() < kVersion + 3 || !known_record(line)) {
        ++counts_.other_records;
        return;
    }
    if (line.size() < reach_) {
        ++counts_.too_short;
        return;
    }
    // Compared as characters, as the conversion does: a blank year sorts
    // before "2004".
    if (line.substr(kYear, 4) < "2004") {
        ++counts_.before_2004;
        return;
    }
    if (line.substr(kCsVersionInputCurrent, 6) < "020000") {
        ++counts_.older_cs_input;
        return;
    }
    case_.clear();
    const std::span<const cstage::NaaccrItem> items = cstage::input_items();
    for (std::size_t i = 0; i < inputs_.size(); ++i) case_.set(inputs_[i], line.substr(items[i].offset, items[i].width));
    engine_.calculate(case_, result_);
    if (!result_.schema || result_.year_rejected) {
        ++counts_.not_derivable;
        ++counts_.not_derivable_reasons[not_derivable_reason(engine_, result_.problems.front())];
        return;
    }
    ++counts_.audited;
    bool differs = false;
    const std::span<const cstage::NaaccrItem> outputs = cstage::output_items();
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        const std::string_view stored = line.substr(outputs[i].offset, outputs[i].width);
        const std::string_view derived = result_.output(outputs_[i]);
        if (same_code(stored, derived)) continue;
        differs = true;
        ++counts_.differing_items[i];
        if (differences) differences(Difference{line_number, line.substr(kPatientId, 8), i, stored, derived});
    }
    ++(differs ? counts_.differing : counts_.agreeing);
}

}  // namespace cstage_cli
