#pragma once
// The colours 成績 and the printable page draw with, in one table. Each
// keeps its meaning for every eye: the grade bands, the games' lines, the
// two chart lines of a course and the ladder's steps stay apart under
// protanopia, deuteranopia and tritanopia (a test simulates each), and each
// also has a word or a mark beside it (the bands' ×, ○, ◎ and their
// limits, the legend's names, the steps' labels).

#include <array>

namespace shurencho::palette {

// #rrggbb
using Hex = const char*;

// The speed chart's bands: below the lower limit (×), between (○), above (◎).
inline constexpr Hex kBandBelow = "#f7cfbd";
inline constexpr Hex kBandBetween = "#f3efc4";
inline constexpr Hex kBandAbove = "#c6dcf0";
// The mean and the best of a course's speeds.
inline constexpr Hex kMeanLine = "#8fb0e0";
inline constexpr Hex kBestLine = "#1f4f9f";
// 正確さ and 打鍵／分 on the rates chart.
inline constexpr Hex kAccuracyLine = "#009e73";
inline constexpr Hex kKeysLine = "#d55e00";
// The mouse games in menu order (POINT, CLICK, DORAG, DOBLE).
inline constexpr std::array<Hex, 4> kGames = {"#d55e00", "#0072b2", "#009e73", "#cc79a7"};
// A ladder's steps: reached, and still ahead.
inline constexpr Hex kStepReached = "#3d7fd1";
inline constexpr Hex kStepAhead = "#dde4ee";

}  // namespace shurencho::palette
