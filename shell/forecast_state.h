// The running program's wear forecast: one TrendBook, built and followed on the UI thread alone
// (never on the reader thread, which holds the statistics lock at a cycle end).
#pragma once

#include "trend/cut_trend.h"

// Every cut from the statistics block: at start, after a statistics load or reset.
void StartForecast();
// Takes in the cycles the cuts gained (a tick that saw a statistics change).
void FollowForecast();
// The forecast of the active cut with its own limits.
CutForecast ActiveForecast();
