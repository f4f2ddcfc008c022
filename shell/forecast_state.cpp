#include "shell/forecast_state.h"

#include "model/model.h"
#include "view/active_cut.h"

namespace {
TrendBook gForecastBook;  // UI thread only; 58 KB, static storage
}  // namespace

void StartForecast() { StartTrends(gForecastBook, gStatistics, kForecastWindowDefault); }

void FollowForecast() {
    for (int cut = 0; cut < kCutCount; ++cut) FollowStatistics(gForecastBook, gStatistics, cut);
}

CutForecast ActiveForecast() { return ForecastOf(gForecastBook, ActiveCutIndex(), ActiveCutRecord()); }
