// SPDX-License-Identifier: Apache-2.0
#include "hematopoietic_rules.h"

#include "entry_values.h"
#include "hematopoietic_shapes.h"
#include "hematopoietic_table.h"
#include "results_store.h"

namespace vexlin {
namespace {

// The 15.0 side: histology, grade and site as the rules have written them.
// Every write of one of the three items goes through here, so the working
// values always equal what the record holds.
class WorkingValues {
public:
    WorkingValues(const EntryValues& entry, RecordSpan record)
        : record_(record), histology_(entry.histology), grade_(entry.grade), site_(entry.site) {}

    void set_histology(std::string_view code) {
        put_field(record_, field::kHistology, code);
        histology_.assign(get_field(record_, field::kHistology));
    }
    void set_grade(char grade) {
        put_field(record_, field::kGrade, std::string_view(&grade, 1));
        grade_ = grade;
    }
    void set_site(std::string_view code) {
        put_field(record_, field::kPrimarySite, code);
        site_.assign(get_field(record_, field::kPrimarySite));
    }
    CodedValues coded() const { return {histology_.view(), grade_, site_.view()}; }

private:
    RecordSpan record_;
    FieldText<4> histology_;
    char grade_;
    FieldText<4> site_;
};

void write_items(RecordSpan record, ItemBundle items) {
    for (const ItemWrite& w : items) put_field(record, w.item, w.value);
}

}  // namespace

void apply_hematopoietic_rules(ResultsStore& store, int record_number, RecordSpan record, unsigned char& restage,
                               unsigned char& review) {
    const EntryValues entry(record);
    const HematopoieticRule* rule = find_hematopoietic_rule(entry.histology.view());
    if (!rule) return;

    const bool convertible = is_convertible_grade(rule->grade_class, entry.grade);
    const SubRule sub_rule = select_sub_rule(*rule, convertible, entry.site.view());
    if (sub_rule == SubRule::none) return;
    const SubRuleAction& action = sub_rule_action(sub_rule);
    const bool new_histology = !rule->new_histology.empty();

    WorkingValues working(entry, record);
    if (new_histology) working.set_histology(rule->new_histology);
    if (action.grade) working.set_grade(grade_class_rule(rule->grade_class).target);
    switch (action.site) {
        case SiteMove::none:
            break;
        case SiteMove::to_marrow:
            working.set_site(kMarrowSite.codes[0]);
            break;
        case SiteMove::placement:
            working.set_site(rule->sites.first_site());
            if (!rule->difference.placement_site_only) write_items(record, bundle::kSurgeryNotApplicable);
            break;
    }
    write_items(record, action.items);
    if (action.surgery_not_applicable) write_items(record, bundle::kSurgeryNotApplicable);
    if (rule->difference.at == sub_rule) put_field(record, rule->difference.item, rule->difference.value);

    const RowIdentity id = entry.identity(record_number);
    if (action.log_conversion || new_histology) {
        store.log_conversion(id, "hematopoietic", entry.coded(), "", working.coded(), "");
    }
    if (action.log_review) store.log_reviewable(id, entry.coded(), working.coded());
    if (action.restage) restage = 1;
    if (action.log_review) review = 1;
}

}  // namespace vexlin
