// Renders the views of the main window for a sample machining cycle into portable pixmaps, without
// a window system: screen-power.ppm (curve and power statistics), screen-parameters.ppm (curve and
// parameter table), screen-forecast.ppm (curve and the wear forecast) and legend.ppm, in the
// folder given as the first argument (default: here).
//
//   render_views docs/images && convert docs/images/screen-power.ppm screen-power.png
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "files/config.h"
#include "model/model.h"
#include "trend/cut_trend.h"
#include "view/curve_view.h"
#include "view/forecast_view.h"
#include "view/layout.h"
#include "view/legend_view.h"
#include "view/palette.h"
#include "view/raster_canvas.h"
#include "view/statistics_view.h"
#include "view/table_view.h"

namespace {

// The unit's model and statistics block the pictures are drawn from.
struct Records {
    UnitModel model;
    CutStatistics statistics;
};

// Cut 3 running: announced, Po measured at about 18 %, then a cut that climbs to about 60 %.
void SampleCycle(Records& r) {
    UnitModel& model = r.model;
    ResetModel(model, r.statistics);
    WriteParameterDefaults(model);
    const int cut = 2;
    CutParameters& p = model.cutParameters[cut];
    p.ta = 30;
    p.ts = 5;
    model.ActiveCut = cut;
    model.activeCutParameters = p;
    model.common.poSamples = 4;
    model.curve.CycleSlot = 0;
    model.curve.samplesPerPoint = 1;
    model.curve.taWindowEnd = static_cast<uint16_t>((p.ta + p.ts) * 10 + 4);
    model.curve.twWindowEnd = static_cast<uint16_t>((p.tw + p.ts) * 10 + 4);
    model.cycle.po = 18;
    int n = 0;
    for (; n < 30; ++n) model.curve.points[n] = {3 + n % 3, kStateCutAnnounced, 0, 0};
    for (; n < 50; ++n) model.curve.points[n] = {17 + n % 3, kStatePoMeasurement, 0, 0};
    for (; n < 420; ++n) {
        const double t = (n - 50) / 370.0;
        const int value = 18 + static_cast<int>(44 * std::sin(t * 3.14159) + 4 * std::sin(n * 0.7));
        model.curve.points[n] = {value, kStateRunning, 18, 0};
    }
    model.curve.pointCount = n;
    model.cycle.peak = 45;
    model.cycle.lastSample = 31;
    model.connection.NotConnected = 0;
    model.alarms.AlarmBits = kAlarmBlunt;
    for (int i = 0; i < 420; ++i) {
        const auto peak = static_cast<uint8_t>(40 + 8 * std::sin(i * 0.05) + (i % 7));
        AppendStatisticsEntry(r.statistics, cut, {peak, static_cast<uint8_t>(peak / 2)});
    }
}

RasterCanvas CurveScreen(const UnitModel& model) {
    const Layout large;  // the pictures show the 800x600 screen
    RasterCanvas canvas(large(kWindowWidth), large(kWindowHeight), kWindowBackground);
    canvas.UseLayout(large);
    CurveCursor cursor;
    DrawCurveFrame(canvas, model, Target::kScreen, cursor);
    DrawCurvePoints(canvas, model, Target::kScreen, cursor);
    DrawPowerBar(canvas, model);
    return canvas;
}

// Cut 3's tool steady at about 20 % for 150 cycles, then wearing by 1 % in 8 cycles.
RasterCanvas ForecastScreen(Records& r) {
    const int cut = 2;
    ResetCutStatistics(r.statistics, cut);
    for (int i = 0; i < 215; ++i) {
        const int peak = 20 + (i > 150 ? (i - 150) / 8 : 0) + (i * 7) % 5 - 2;
        AppendStatisticsEntry(r.statistics, cut,
                              {static_cast<uint8_t>(peak), static_cast<uint8_t>(peak / 3)});
    }
    static TrendBook book;
    StartTrends(book, r.statistics, kForecastWindowDefault);
    RasterCanvas canvas = CurveScreen(r.model);
    DrawForecastView(canvas, ForecastOf(book, cut, r.model.cutParameters[cut]), Target::kScreen);
    return canvas;
}

bool Write(const RasterCanvas& canvas, const std::string& folder, const char* name) {
    const std::string path = folder + "/" + name;
    const int32_t result = WritePixmap(canvas, path.c_str());
    if (result != 0) std::fprintf(stderr, "render_views: cannot write %s (error %d)\n", path.c_str(), result);
    return result == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    const auto records = std::make_unique<Records>();  // the pictures' model and statistics, once
    Records& r = *records;
    SampleCycle(r);
    RasterCanvas power = CurveScreen(r.model);
    DrawStatisticsFrame(power, r.model, r.statistics, kPowerStatistics, Target::kScreen,
                        kDefaultStatisticsFileName);
    StatisticsCursor chart;
    DrawStatisticsBars(power, r.model, r.statistics, kPowerStatistics, chart);
    RasterCanvas parameters = CurveScreen(r.model);
    DrawParameterTable(parameters, r.model, parameters.UsedLayout()(kWindowWidth) - 6);
    RasterCanvas legend(150, 150, kWindowBackground);
    DrawLegend(legend);
    const RasterCanvas forecast = ForecastScreen(r);
    const bool ok = Write(power, folder, "screen-power.ppm") &&
                    Write(parameters, folder, "screen-parameters.ppm") &&
                    Write(forecast, folder, "screen-forecast.ppm") && Write(legend, folder, "legend.ppm");
    return ok ? 0 : 1;
}
