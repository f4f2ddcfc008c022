#include "shell/forecast_state.h"

#include "model/model.h"
#include "view/active_cut.h"

void StartForecast(TrendBook& book) { StartTrends(book, gStatistics, kForecastWindowDefault); }

void FollowForecast(TrendBook& book) {
    for (int cut = 0; cut < kCutCount; ++cut) FollowStatistics(book, gStatistics, cut);
}

CutForecast ActiveForecast(const TrendBook& book) {
    return ForecastOf(book, ActiveCutIndex(), ActiveCutRecord());
}
