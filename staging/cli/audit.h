// SPDX-License-Identifier: Apache-2.0
// The audit of stored derived stage: for each NAACCR 14.0 or 15.0 record (of
// any record type) diagnosed from 2004 with CS inputs of version 02, stage is
// derived from its inputs with the tables and compared, item by item, with
// the 16 derived items and CS Version Derived the record holds. Nothing of
// the record is written.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "cs_engine.h"

namespace cstage_cli {

// The compared items: the 16 storage items, then CS Version Derived.
inline constexpr std::size_t kAuditedItems = 17;

struct AuditCounts {
    std::uint64_t read = 0;
    std::uint64_t other_records = 0;     // not a NAACCR 14.0 or 15.0 record of a known type
    std::uint64_t too_short = 0;         // shorter than the stage items reach
    std::uint64_t before_2004 = 0;       // diagnosed before 2004, or no year
    std::uint64_t older_cs_input = 0;    // CS Version Input Current below 020000
    std::uint64_t not_derivable = 0;     // no schema, or the year rejected
    std::map<std::string, std::uint64_t> not_derivable_reasons;
    std::uint64_t audited = 0, agreeing = 0, differing = 0;
    std::array<std::uint64_t, kAuditedItems> differing_items{};
};

// One item whose stored code is not the derived one.
struct Difference {
    std::uint64_t line = 0;
    std::string_view patient_id;
    std::size_t item = 0;  // in the order of cstage::output_items()
    std::string_view stored, derived;
};
using DifferenceSink = std::function<void(const Difference&)>;

class Auditor {
public:
    explicit Auditor(const csengine::Engine& engine);

    // Audits one record: a line without its line end, the line's number.
    void audit(std::string_view line, std::uint64_t line_number, const DifferenceSink& differences);
    const AuditCounts& counts() const { return counts_; }

private:
    const csengine::Engine& engine_;
    csengine::Case case_;
    csengine::Result result_;
    std::array<csengine::KeyId, 42> inputs_{};
    std::array<csengine::KeyId, kAuditedItems> outputs_{};
    std::size_t reach_ = 0;  // the columns the audit reads end here
    AuditCounts counts_;
};

// The reason a record's stage cannot be derived, as the summary counts it.
std::string not_derivable_reason(const csengine::Engine& engine, const csengine::Problem& problem);

}  // namespace cstage_cli
