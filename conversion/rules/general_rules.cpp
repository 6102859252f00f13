// SPDX-License-Identifier: Apache-2.0
#include "general_rules.h"

#include "country_codes.h"
#include "entry_values.h"
#include "hematopoietic_rules.h"
#include "prostate_grade.h"
#include "results_store.h"

namespace vexlin {
namespace {

// Everything the driver keeps from the record as it stood on entry; every row
// it logs takes its identifying and unchanged values from here.
struct EntrySnapshot {
    EntryValues values;
    char behavior;
    int diagnosis_year;
    int schema_index;

    EntrySnapshot(ConstRecordSpan record, int schema)
        : values(record),
          behavior(get_field(record, field::kBehavior)[0]),
          diagnosis_year(vexlin::diagnosis_year(get_field(record, field::kDiagnosisYear))),
          schema_index(schema) {}
};

constexpr int kFirstHematopoieticYear = 2010;
constexpr int kFirstProstateGradeYear = 2014;

void convert_country_items(ResultsStore& store, const EntrySnapshot& entry, int record_number, RecordSpan record) {
    for (const CountryItem& country : kCountryItems) {
        const FieldText<3> before(record, country.item);
        if (!convert_country_code(static_cast<int>(country.item.offset) + 1, record)) continue;
        const FieldText<3> after(record, country.item);
        store.log_conversion(entry.values.identity(record_number), country.conversion_type, entry.values.coded(),
                             before.view(), entry.values.coded(), after.view());
    }
}

void convert_retired_histology(ResultsStore& store, const EntrySnapshot& entry, int record_number,
                               RecordSpan record) {
    if (get_field(record, field::kHistology) != "8157") return;
    if (entry.behavior != '1' && entry.behavior != '3') return;
    put_field(record, field::kHistology, "8152");
    CodedValues v15 = entry.values.coded();
    v15.histology = "8152";
    store.log_conversion(entry.values.identity(record_number), "misc. histology", entry.values.coded(), "", v15,
                         "");
}

void convert_prostate_grade(ResultsStore& store, const EntrySnapshot& entry, int record_number,
                            RecordSpan record) {
    if (entry.diagnosis_year < kFirstProstateGradeYear || entry.schema_index != kProstateSchemaIndex) return;
    const char grade = prostate_grade(get_field(record, field::kCsSsf8), get_field(record, field::kCsSsf10));
    if (grade == '\0' || grade == entry.values.grade) return;
    put_field(record, field::kGrade, std::string_view(&grade, 1));
    CodedValues v15 = entry.values.coded();
    v15.grade = grade;
    store.log_conversion(entry.values.identity(record_number), "prostate grade", entry.values.coded(), "", v15,
                         "");
}

}  // namespace

bool convert_country_code(int start_column, RecordSpan record) {
    constexpr std::size_t kWidth = 3;
    if (start_column < 1 || static_cast<std::size_t>(start_column) - 1 + kWidth > kRecordLength) return false;
    const Field item{static_cast<std::size_t>(start_column) - 1, kWidth};
    const std::string_view code = get_field(record, item);
    for (const CountryCodeChange& change : kCountryCodeChanges) {
        if (code == change.retired) {
            put_field(record, item, change.current);
            return true;
        }
    }
    return false;
}

int apply_general_rules(ResultsStore& store, int schema_index, int record_number, RecordSpan record,
                        unsigned char& restage, unsigned char& review) {
    restage = 0;
    review = 0;
    const EntrySnapshot entry(record, schema_index);

    convert_country_items(store, entry, record_number, record);
    blank_field(record, field::kReservedSurvivalBlock);

    restage = 0;
    review = 0;
    if (entry.diagnosis_year >= kFirstHematopoieticYear && entry.behavior == '3') {
        apply_hematopoietic_rules(store, record_number, record, restage, review);
    }
    convert_retired_histology(store, entry, record_number, record);
    convert_prostate_grade(store, entry, record_number, record);

    put_field(record, field::kRecordVersion, "150");
    return 0;
}

}  // namespace vexlin
