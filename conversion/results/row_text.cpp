// SPDX-License-Identifier: Apache-2.0
#include "row_text.h"

#include <array>
#include <string_view>

namespace vexlin {
namespace {

// A sentence is the text before each column's value, then a closing text.
struct SentenceShape {
    std::span<const std::string_view> before;
    std::string_view closing;
};

constexpr std::array<std::string_view, 15> kConversionSentence = {
    "Record ",
    " with Patient ID ",
    ", Sequence No. Central ",
    ", Reporting Facility ",
    ", Accession No. Hospital ",
    ", Sequence No. Hospital ",
    " underwent ",
    " conversion with v14 Hist ",
    ", Grade ",
    ", Site ",
    ", Country Code ",
    " and v15 Hist ",
    ", Grade ",
    ", Site ",
    ", Country Code ",
};

constexpr std::array<std::string_view, 12> kReviewableSentence = {
    "Record ",
    " with Patient ID ",
    ", Sequence No. Central ",
    ", Reporting Facility ",
    ", Accession No. Hospital ",
    ", Sequence No. Hospital ",
    " with v14 Hist ",
    ", Grade ",
    ", Site ",
    " and v15 Hist ",
    ", Grade ",
    ", Site ",
};

constexpr std::array<std::string_view, 15> kConversionLabels = {
    "Record Number", "Patient ID", "Sequence No. Central", "Reporting Facility", "Accession No. Hospital",
    "Sequence No. Hospital", "Conversion Type", "v14Hist", "v14Grade", "v14Site",
    "v14CountryCode", "v15Hist", "v15Grade", "v15Site", "v15CountryCode",
};

constexpr std::array<std::string_view, 12> kReviewableLabels = {
    "Record Number", "Patient ID", "Sequence No. Central", "Reporting Facility", "Accession No. Hospital",
    "Sequence No. Hospital", "v14Hist", "v14Grade", "v14Site", "v15Hist", "v15Grade", "v15Site",
};

constexpr std::size_t kMessageTextColumn = 2;

std::string_view value_at(std::span<const std::string> values, std::size_t column) {
    return column < values.size() ? std::string_view(values[column]) : std::string_view();
}

std::string sentence(const SentenceShape& shape, std::span<const std::string> values) {
    std::string out;
    for (std::size_t c = 0; c < shape.before.size(); ++c) {
        out += shape.before[c];
        out += value_at(values, c);
    }
    out += shape.closing;
    return out;
}

// labels empty: the bare values; else "label,value" pairs.
std::string joined(std::span<const std::string_view> labels, std::size_t columns,
                   std::span<const std::string> values, char separator) {
    std::string out;
    for (std::size_t c = 0; c < columns; ++c) {
        if (c > 0) out += separator;
        if (!labels.empty()) {
            out += labels[c];
            out += ',';
        }
        out += value_at(values, c);
    }
    return out;
}

}  // namespace

std::string row_text(MessageTable table, MessageFormat format, std::span<const std::string> values,
                     char separator) {
    if (table == MessageTable::Messages) return std::string(value_at(values, kMessageTextColumn));
    const bool conversions = table == MessageTable::Conversions;
    const std::span<const std::string_view> labels =
        conversions ? std::span<const std::string_view>(kConversionLabels)
                    : std::span<const std::string_view>(kReviewableLabels);
    switch (format) {
        case MessageFormat::Sentence:
            return conversions ? sentence({kConversionSentence, "."}, values)
                               : sentence({kReviewableSentence, " requires review."}, values);
        case MessageFormat::Labelled:
            return joined(labels, labels.size(), values, separator);
        case MessageFormat::Delimited:
        default:
            return joined({}, labels.size(), values, separator);
    }
}

}  // namespace vexlin
