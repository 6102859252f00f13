// SPDX-License-Identifier: Apache-2.0
// Builds NAACCR records for tests: a record of blanks with items set by their
// field-map names, read back the same way.
#pragma once

#include <string>
#include <string_view>

#include "record.h"

namespace vexlin::test {

class RecordBuilder {
public:
    RecordBuilder() : data_(kRecordLength, ' ') { set(field::kRecordVersion, "140"); }

    RecordBuilder& set(Field f, std::string_view value) {
        put_field(span(), f, value);
        return *this;
    }
    // Sets the raw characters at an offset, for bytes that no item names.
    RecordBuilder& set_at(std::size_t offset, std::string_view bytes) {
        data_.replace(offset, bytes.size(), bytes);
        return *this;
    }
    std::string_view get(Field f) const { return get_field(cspan(), f); }

    RecordSpan span() { return RecordSpan(data_.data(), kRecordLength); }
    ConstRecordSpan cspan() const { return ConstRecordSpan(data_.data(), kRecordLength); }
    char* data() { return data_.data(); }
    const std::string& str() const { return data_; }

private:
    std::string data_;
};

// A case that selects a Collaborative Stage schema (Prostate): diagnosed
// 2014, with identifying items filled in.
RecordBuilder typical_record();

// Positions where two records differ.
std::string differing_offsets(std::string_view a, std::string_view b, std::size_t max_listed = 20);

}  // namespace vexlin::test
