// A cut is 0..15 inside the program (the index of its records) and 1..16 wherever a person or a
// file sees it: the screen, the printed pages, the journal, the plant's messages and the tools'
// options and reports. These are the only conversions between the two.
#pragma once

constexpr int kCutCount = 16;
// Where a cut is chosen: every cut.
constexpr int kAllCuts = -1;

constexpr int CutNumber(int cut) { return cut + 1; }
constexpr int CutIndex(int number) { return number - 1; }
constexpr bool IsCutNumber(long long number) { return number >= 1 && number <= kCutCount; }
