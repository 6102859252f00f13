// SPDX-License-Identifier: Apache-2.0
// Synthetic NAACCR 14.0 abstracts for trying out and measuring the
// conversion. Every value is made up from a seeded generator: no record
// describes a real person. The case mix reaches every conversion rule.
// Records diagnosed from 2004 on whose site and histology select a
// Collaborative Stage schema carry staging inputs that the schema's tables
// accept, so that stage derives for most of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sample {

// The kinds of case the generator writes.
enum class CaseKind { solid, retired_country, histology_8157, prostate, hematopoietic, schema_failure, before_2004 };

std::string_view case_kind_name(CaseKind kind);

// The kind of the record at index (0-based) for a seed.
CaseKind case_kind(std::uint64_t seed, std::uint64_t index);

// How a record's staging inputs are drawn: codes its schema accepts and that
// derive together, or at random, as in files coded under older rules
// (invalid codes, blank and odd years, unknown sites, SSF25 that selects
// nothing), so that about half the calculations report problems; or with
// about a dozen inputs of the selected schema holding codes it does not know,
// so that every staged record reports about a dozen problems.
enum class Staging { valid, random, problems };

// The record at index for a seed: 22824 characters, no line end. The same
// seed and index always give the same record.
std::string make_record(std::uint64_t seed, std::uint64_t index, Staging staging = Staging::valid);

}  // namespace sample
