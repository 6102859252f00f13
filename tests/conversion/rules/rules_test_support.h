// SPDX-License-Identifier: Apache-2.0
// Helpers for the rule tests: records with noise in every item the test does
// not set, the logged rows by column name, and expected records built by
// writing items into a copy of the original.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "record_builder.h"
#include "results_store.h"
#include "store_rows.h"

namespace vexlin::test {

// Printable characters other than the blank, so that a write of blanks shows.
inline char noise_char(std::mt19937& rng) { return static_cast<char>('!' + rng() % 94); }

// Every byte printable noise; identifying items and version set.
inline RecordBuilder noisy_record(std::uint32_t seed) {
    std::mt19937 rng(seed);
    RecordBuilder r;
    std::string noise(kRecordLength, ' ');
    for (char& c : noise) c = noise_char(rng);
    r.set_at(0, noise);
    r.set(field::kRecordVersion, "140")
        .set(field::kPatientId, "P0000042")
        .set(field::kSeqNumCentral, "01")
        .set(field::kReportingFacility, "FAC0000077")
        .set(field::kAccNumHospital, "201400123")
        .set(field::kSeqNumHospital, "02")
        .set(field::kDiagnosisYear, "2014")
        .set(field::kBehavior, "3");
    return r;
}

using Writes = std::vector<std::pair<Field, std::string_view>>;

inline std::string with_writes(std::string record, const Writes& writes) {
    RecordSpan span(record.data(), kRecordLength);
    for (const auto& [f, value] : writes) put_field(span, f, value);
    return record;
}


struct ConversionRow {
    std::string record, patient, seq_central, facility, accession, seq_hospital, type;
    std::string v14_hist, v14_grade, v14_site, v14_country, v15_hist, v15_grade, v15_site, v15_country;
};

struct ReviewRow {
    std::string record, patient, seq_central, facility, accession, seq_hospital;
    std::string v14_hist, v14_grade, v14_site, v15_hist, v15_grade, v15_site;
};

inline std::vector<ConversionRow> conversion_rows(const ResultsStore& store) {
    std::vector<ConversionRow> out;
    for (const Row& r : table_rows(store, "conversions")) {
        if (r.size() != 15) continue;
        out.push_back({r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], r[12], r[13], r[14]});
    }
    return out;
}

inline std::vector<ReviewRow> review_rows(const ResultsStore& store) {
    std::vector<ReviewRow> out;
    for (const Row& r : table_rows(store, "reviewables")) {
        if (r.size() != 12) continue;
        out.push_back({r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11]});
    }
    return out;
}

// Site-Specific Factors first to last, all with the same value.
inline Writes ssf_range(int first, int last, std::string_view value) {
    Writes w;
    for (int n = first; n <= last; ++n) w.emplace_back(field::cs_ssf(n), value);
    return w;
}

}  // namespace vexlin::test

namespace vexlin {
// Joins two write lists (found by argument lookup through Field).
inline test::Writes operator+(test::Writes a, const test::Writes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
}  // namespace vexlin
