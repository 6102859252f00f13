// SPDX-License-Identifier: Apache-2.0
// The values of a record copied out when a rule family starts on it: the
// identifying items of every log row and the coded items on the 14.0 side.
// They stay unchanged while the record is rewritten.
#pragma once

#include <string_view>

#include "record.h"
#include "results_store.h"

namespace vexlin {

struct EntryValues {
    FieldText<8> patient_id;
    FieldText<2> seq_num_central;
    FieldText<10> reporting_facility;
    FieldText<9> acc_num_hospital;
    FieldText<2> seq_num_hospital;
    FieldText<4> histology;
    char grade = ' ';
    FieldText<4> site;

    explicit EntryValues(ConstRecordSpan record)
        : patient_id(record, field::kPatientId),
          seq_num_central(record, field::kSeqNumCentral),
          reporting_facility(record, field::kReportingFacility),
          acc_num_hospital(record, field::kAccNumHospital),
          seq_num_hospital(record, field::kSeqNumHospital),
          histology(record, field::kHistology),
          grade(get_field(record, field::kGrade)[0]),
          site(record, field::kPrimarySite) {}

    RowIdentity identity(int record_number) const {
        return {record_number,         patient_id.view(),       seq_num_central.view(),
                reporting_facility.view(), acc_num_hospital.view(), seq_num_hospital.view()};
    }
    CodedValues coded() const { return {histology.view(), grade, site.view()}; }
};

// The diagnosis year from the first four characters of Date of Diagnosis: the
// value of the leading run of digits, 0 when the first character is no digit.
constexpr int diagnosis_year(std::string_view year_text) {
    int year = 0;
    for (const char c : year_text.substr(0, 4)) {
        if (c < '0' || c > '9') break;
        year = year * 10 + (c - '0');
    }
    return year;
}

}  // namespace vexlin
