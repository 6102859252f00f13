// SPDX-License-Identifier: Apache-2.0
// Times the hematopoietic row lookup over every histology code and the
// general rules over a million records (a quarter of them hematopoietic
// cases that log a row), logging into a memory store. Prints the rates.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "general_rules.h"
#include "hematopoietic_table.h"
#include "results_store.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRecords = 1000000;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string make_record(int i) {
    std::string r(vexlin::kRecordLength, ' ');
    vexlin::RecordSpan span(r.data(), vexlin::kRecordLength);
    vexlin::put_field(span, vexlin::field::kPatientId, std::to_string(10000000 + i));
    vexlin::put_field(span, vexlin::field::kDiagnosisYear, "2014");
    vexlin::put_field(span, vexlin::field::kBehavior, "3");
    vexlin::put_field(span, vexlin::field::kGrade, "2");
    vexlin::put_field(span, vexlin::field::kPrimarySite, i % 4 == 0 ? "C421" : "C619");
    vexlin::put_field(span, vexlin::field::kHistology, i % 4 == 0 ? "9800" : "8140");
    vexlin::put_field(span, vexlin::field::kAddrAtDxCountry, "USA");
    return r;
}

}  // namespace

int main() {
    // Lookup over all four-digit codes, found or not.
    std::vector<std::string> codes;
    for (int c = 0; c < 10000; ++c) {
        char text[5];
        std::snprintf(text, sizeof text, "%04d", c);
        codes.emplace_back(text);
    }
    const auto lookup_start = Clock::now();
    long found = 0;
    constexpr int kLookupRounds = 1000;
    for (int round = 0; round < kLookupRounds; ++round)
        for (const std::string& c : codes) found += vexlin::find_hematopoietic_rule(c) != nullptr;
    const double lookup_s = seconds_since(lookup_start);
    std::printf("row lookup: %.1f million lookups/s (%ld found)\n", kLookupRounds * 10000.0 / lookup_s / 1e6, found);

    // The general rules over a million records; records are reused in a ring
    // so that the figure is the rules' and the store's, not memory traffic.
    std::vector<std::string> ring;
    for (int i = 0; i < 64; ++i) ring.push_back(make_record(i));
    std::vector<std::string> work = ring;
    vexlin::ResultsStore store = vexlin::ResultsStore::in_memory();
    unsigned char restage = 0, review = 0;
    const auto rules_start = Clock::now();
    for (int i = 0; i < kRecords; ++i) {
        std::string& r = work[i % work.size()];
        r = ring[i % ring.size()];
        vexlin::apply_general_rules(store, 50, i, vexlin::RecordSpan(r.data(), vexlin::kRecordLength), restage,
                                    review);
    }
    const double rules_s = seconds_since(rules_start);
    std::printf("general rules: %.0f records/s over %d records (%d conversion rows, %.2f s)\n", kRecords / rules_s,
                kRecords, store.conversions_count(), rules_s);
    return 0;
}
