// SPDX-License-Identifier: Apache-2.0
#include "record_builder.h"

namespace vexlin::test {

RecordBuilder typical_record() {
    RecordBuilder r;
    r.set(field::kPatientId, "00012345")
        .set(field::kSeqNumCentral, "00")
        .set(field::kDiagnosisYear, "2014")
        .set(field::kPrimarySite, "C619")
        .set(field::kHistology, "8140")
        .set(field::kBehavior, "3")
        .set(field::kGrade, "9")
        .set(field::kReportingFacility, "0000012345")
        .set(field::kAccNumHospital, "201400001")
        .set(field::kSeqNumHospital, "00");
    return r;
}

std::string differing_offsets(std::string_view a, std::string_view b, std::size_t max_listed) {
    std::string out;
    std::size_t listed = 0;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n && listed < max_listed; ++i) {
        if (a[i] != b[i]) {
            out += (out.empty() ? "" : ",") + std::to_string(i);
            ++listed;
        }
    }
    if (a.size() != b.size()) out += " (lengths differ)";
    return out;
}

}  // namespace vexlin::test
