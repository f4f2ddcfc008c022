// kvdstat's output: the text of each command, and the exports.
#pragma once

#include <string>

#include "stats/analysis.h"
#include "stats/sources.h"

namespace kvdstat {

constexpr int kAllCutsShown = -1;

struct TrendOptions {
    std::size_t window = 200;
    std::size_t points = 8;
    Limits limits{-1, -1, -1, -1};  // < 0: the cut's current limits
};

struct WhatIfOptions {
    Limits limits{-1, -1, -1, -1};  // < 0: each cycle's own limits
    std::size_t listed = 50;        // cycles listed per kind and group
};

// cut: 0..15, or kAllCutsShown for every cut that holds cycles.
std::string SummaryText(const Source& s, int cut);
std::string SummaryText(const Tally& s, int cut);  // the same text from the summary's tallies
std::string TrendText(const Source& s, int cut, const TrendOptions& o);
std::string WhatIfText(const Source& s, int cut, const WhatIfOptions& o);
std::string SuggestText(const Source& s, int cut, int mode);  // mode < 0: the cut's current mode
std::string ExportCsv(const Source& s, int cut);
std::string ExportJson(const Source& s, int cut);

// "2026-12-08T13:21:10.123+01:00" of cycle i of a journal, or "cycle i" otherwise.
std::string CycleLabel(const CutSeries& c, std::size_t i);

}  // namespace kvdstat
