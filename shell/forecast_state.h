// The running program's wear forecast: the monitor's TrendBook, built and followed on the UI thread
// alone (never on the reader thread, which holds the statistics lock at a cycle end).
#pragma once

#include "trend/cut_trend.h"

// Every cut from the statistics block: at start, after a statistics load or reset.
void StartForecast(TrendBook& book, const CutStatistics& statistics);
// Takes in the cycles the cuts gained (a tick that saw a statistics change).
void FollowForecast(TrendBook& book, const CutStatistics& statistics);
// The forecast of the active cut with its own limits.
CutForecast ActiveForecast(const TrendBook& book, const UnitModel& model);
