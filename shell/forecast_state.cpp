#include "shell/forecast_state.h"

#include "model/model.h"
#include "view/active_cut.h"

void StartForecast(TrendBook& book, const CutStatistics& statistics) {
    StartTrends(book, statistics, kForecastWindowDefault);
}

void FollowForecast(TrendBook& book, const CutStatistics& statistics) {
    for (int cut = 0; cut < kCutCount; ++cut) FollowStatistics(book, statistics, cut);
}

CutForecast ActiveForecast(const TrendBook& book, const UnitModel& model) {
    return ForecastOf(book, ActiveCutIndex(model), ActiveCutRecord(model));
}
