// SPDX-License-Identifier: Apache-2.0
// Grade classes of the hematopoietic rules: which entry grades a row converts
// and the grade they become. Every other grade character is kept.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vexlin {

enum class GradeClass : std::uint8_t { G9a, G9b, G9x, G6, G5, G5x, G8 };

struct GradeClassRule {
    GradeClass id;
    std::string_view name;
    std::string_view convertible;  // the grade characters that are converted
    char target;
};

inline constexpr std::array<GradeClassRule, 7> kGradeClasses{{
    {GradeClass::G9a, "G9a", "1234", '9'},
    {GradeClass::G9b, "G9b", "12345678", '9'},
    {GradeClass::G9x, "G9x", "123467", '9'},
    {GradeClass::G6, "G6", "12345789", '6'},
    {GradeClass::G5, "G5", "12346789", '5'},
    {GradeClass::G5x, "G5x", "1234789", '5'},
    {GradeClass::G8, "G8", "12345679", '8'},
}};

constexpr const GradeClassRule& grade_class_rule(GradeClass c) { return kGradeClasses[static_cast<std::size_t>(c)]; }

constexpr bool is_convertible_grade(GradeClass c, char grade) {
    return grade != '\0' && grade_class_rule(c).convertible.find(grade) != std::string_view::npos;
}

static_assert([] {
    for (std::size_t i = 0; i < kGradeClasses.size(); ++i) {
        const GradeClassRule& r = kGradeClasses[i];
        if (static_cast<std::size_t>(r.id) != i || r.convertible.find(r.target) != std::string_view::npos) return false;
    }
    return true;
}(), "grade classes are listed in enum order and never convert their own target");

}  // namespace vexlin
