// SPDX-License-Identifier: Apache-2.0
#include "results_gathering.h"

#include <string_view>

namespace tarvos {
namespace {

std::string_view text_at(const vexlin150_row& row, int i) {
    return i < row.text_count ? std::string_view(row.texts[i], static_cast<std::size_t>(row.text_lengths[i]))
                              : std::string_view();
}

// The columns of the tables after the record number, as the library tells them.
constexpr int kConversionType = 5, kConversionCodes = 6;  // then 14.0 histology, grade, site, country, 15.0 the same
constexpr int kMessageId = 0, kMessageText = 1;

}  // namespace

void ResultsGatherer::take_row(const vexlin150_row& row) {
    switch (row.table) {
        case VEXLIN150_TABLE_CONVERSIONS: conversion(row); break;
        case VEXLIN150_TABLE_REVIEWABLES: reviewable(row); break;
        case VEXLIN150_TABLE_MESSAGES: message(row); break;
        default: break;
    }
}

void ResultsGatherer::conversion(const vexlin150_row& row) {
    ++conversion_rows_;
    if (!for_page_) return;
    ConversionRow taken;
    taken.type = text_at(row, kConversionType);
    taken.record = row.record_number;
    // The table lists the 14.0 values, then the 15.0 ones; the tally pairs them.
    for (int item = 0; item < 4; ++item) {
        taken.codes[2 * item] = text_at(row, kConversionCodes + item);
        taken.codes[2 * item + 1] = text_at(row, kConversionCodes + 4 + item);
    }
    changes_.take(taken);
}

void ResultsGatherer::reviewable(const vexlin150_row& row) {
    if (!for_page_ || reviewables_.first.size() == kReviewablesShown) {
        ++reviewables_.rows;
        return;
    }
    ReviewableRow r;
    r.record = row.record_number;
    std::string* texts[] = {&r.patient_id,    &r.seq_num_central, &r.reporting_facility, &r.acc_num_hospital,
                            &r.seq_num_hospital, &r.v14_histology, &r.v14_grade,          &r.v14_site,
                            &r.v15_histology, &r.v15_grade,       &r.v15_site};
    for (int i = 0; i < 11; ++i) texts[i]->assign(text_at(row, i));
    reviewables_.take(std::move(r));
}

void ResultsGatherer::message(const vexlin150_row& row) {
    ++message_rows_;
    if (row.record_number != reasons_record_) {
        reasons_count_ = 0;
        reasons_record_ = row.record_number;
    }
    if (reasons_count_ == reasons_.size()) reasons_.emplace_back();
    reasons_[reasons_count_++].assign(text_at(row, kMessageText));
    if (for_page_) messages_.take(row.record_number, text_at(row, kMessageId), text_at(row, kMessageText));
}

std::span<const std::string> ResultsGatherer::reasons_of(std::int64_t record) const {
    if (record != reasons_record_) return {};
    return std::span<const std::string>(reasons_).first(reasons_count_);
}

ResultsData ResultsGatherer::take() {
    ResultsData data;
    const ResultsHalves gathered = whole();
    if (gathered.conversions) {
        changes_.finish(data);
        data.reviewables = std::move(reviewables_.first);
    }
    if (gathered.messages)
        messages_.finish(data);
    else if (gathered.stage_problems)
        data.stage_problems = messages_.finish_stage_problems();
    data.conversions = conversion_rows_;
    data.reviewable_rows = reviewables_.rows;
    data.messages = message_rows_;
    return data;
}

}  // namespace tarvos
