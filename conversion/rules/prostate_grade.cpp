// SPDX-License-Identifier: Apache-2.0
#include "prostate_grade.h"

#include <array>

namespace vexlin {
namespace {

// What one Gleason score item says.
enum ScoreBand : int { kUpToSix, kSeven, kEightToTen, kNotKnown, kUnrecognised };

ScoreBand score_band(std::string_view score) {
    if (score == "998" || score == "999") return kNotKnown;
    if (score.size() != 3 || score[0] != '0') return kUnrecognised;
    if (score == "010") return kEightToTen;
    if (score[1] != '0' || score[2] < '2' || score[2] > '9') return kUnrecognised;
    if (score[2] <= '6') return kUpToSix;
    return score[2] == '7' ? kSeven : kEightToTen;
}

// Row: SSF 8 band, column: SSF 10 band; '\0' leaves the Grade alone.
constexpr std::array<std::array<char, 4>, 4> kGradeByBands{{
    //  up to 6  7    8-10  998/999
    {{'1', '2', '3', '1'}},   // up to 6
    {{'2', '2', '3', '2'}},   // 7
    {{'3', '3', '3', '3'}},   // 8 to 10
    {{'1', '2', '3', '\0'}},  // 998/999
}};

}  // namespace

char prostate_grade(std::string_view ssf8, std::string_view ssf10) {
    const ScoreBand first = score_band(ssf8);
    const ScoreBand second = score_band(ssf10);
    if (first == kUnrecognised || second == kUnrecognised) return '\0';
    return kGradeByBands[first][second];
}

}  // namespace vexlin
