// SPDX-License-Identifier: Apache-2.0
// Groups of items that the hematopoietic rules write together, each with its
// not-applicable code.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "field_map.h"

namespace vexlin {

struct ItemWrite {
    Field item;
    std::string_view value;
};

using ItemBundle = std::span<const ItemWrite>;

namespace bundle {

inline constexpr std::array<ItemWrite, 7> kCsShortSet{{
    {field::kCsExtension, "800"},
    {field::kCsTumorSizeExtEval, "9"},
    {field::cs_ssf(1), "999"},
    {field::cs_ssf(2), "988"},
    {field::cs_ssf(3), "988"},
    {field::cs_ssf(4), "988"},
    {field::cs_ssf(5), "988"},
}};

inline constexpr std::array<ItemWrite, 19> kCsFullSet{{
    {field::kCsExtension, "800"},      {field::kCsTumorSizeExtEval, "9"}, {field::kCsLymphNodes, "988"},
    {field::kCsLymphNodesEval, "9"},   {field::kCsMetsAtDx, "98"},        {field::kCsMetsEval, "9"},
    {field::cs_ssf(1), "999"},         {field::cs_ssf(2), "988"},         {field::cs_ssf(3), "988"},
    {field::cs_ssf(4), "988"},         {field::cs_ssf(5), "988"},         {field::cs_ssf(6), "988"},
    {field::cs_ssf(7), "988"},         {field::cs_ssf(8), "988"},         {field::cs_ssf(9), "988"},
    {field::cs_ssf(10), "988"},        {field::cs_ssf(11), "988"},        {field::cs_ssf(12), "988"},
    {field::cs_ssf(13), "988"},
}};

// As the full set, with Site-Specific Factors 6 to 13 left alone.
inline constexpr std::array<ItemWrite, 11> kCsAdnexaSet{{
    {field::kCsExtension, "800"},    {field::kCsTumorSizeExtEval, "9"}, {field::kCsLymphNodes, "988"},
    {field::kCsLymphNodesEval, "9"}, {field::kCsMetsAtDx, "98"},        {field::kCsMetsEval, "9"},
    {field::cs_ssf(1), "999"},       {field::cs_ssf(2), "988"},         {field::cs_ssf(3), "988"},
    {field::cs_ssf(4), "988"},       {field::cs_ssf(5), "988"},
}};

inline constexpr std::array<ItemWrite, 5> kCsMyelomaSet{{
    {field::kCsExtension, "810"},
    {field::kCsLymphNodes, "987"},
    {field::cs_ssf(1), "988"},
    {field::cs_ssf(2), "999"},
    {field::cs_ssf(3), "999"},
}};

// The myeloma set of a case moved from an adnexa site: the myeloma set plus
// the evaluation and metastasis items and Site-Specific Factors 4 to 13.
inline constexpr std::array<ItemWrite, 19> kCsMyelomaAdnexaSet{{
    {field::kCsExtension, "810"},    {field::kCsLymphNodes, "987"},  {field::cs_ssf(1), "988"},
    {field::cs_ssf(2), "999"},       {field::cs_ssf(3), "999"},      {field::kCsTumorSizeExtEval, "9"},
    {field::kCsLymphNodesEval, "9"}, {field::kCsMetsAtDx, "98"},     {field::kCsMetsEval, "9"},
    {field::cs_ssf(4), "988"},       {field::cs_ssf(5), "988"},      {field::cs_ssf(6), "988"},
    {field::cs_ssf(7), "988"},       {field::cs_ssf(8), "988"},      {field::cs_ssf(9), "988"},
    {field::cs_ssf(10), "988"},      {field::cs_ssf(11), "988"},     {field::cs_ssf(12), "988"},
    {field::cs_ssf(13), "988"},
}};

// First-course surgery not applicable: written with a marrow placement.
inline constexpr std::array<ItemWrite, 2> kSurgeryNotApplicable{{
    {field::kRxSummSurgPrimSite, "98"},
    {field::kRxSummScopeRegLnSur, "9"},
}};

}  // namespace bundle

}  // namespace vexlin
