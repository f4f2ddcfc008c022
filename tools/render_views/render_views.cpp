// Renders the views of the main window for a sample machining cycle into portable pixmaps, without
// a window system: screen-power.ppm (curve and power statistics), screen-parameters.ppm (curve and
// parameter table), screen-forecast.ppm (curve and the wear forecast) and legend.ppm, in the
// folder given as the first argument (default: here).
//
//   render_views docs/images && convert docs/images/screen-power.ppm screen-power.png
#include <cmath>
#include <cstdio>
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

// Cut 3 running: announced, Po measured at about 18 %, then a cut that climbs to about 60 %.
void SampleCycle() {
    ResetModel();
    WriteParameterDefaults();
    const int cut = 2;
    CutParameters& p = gModel.cutParameters[cut];
    p.ta = 30;
    p.ts = 5;
    gModel.ActiveCut = cut;
    gModel.activeCutParameters = p;
    gModel.common.poSamples = 4;
    gModel.curve.CycleSlot = 0;
    gModel.curve.samplesPerPoint = 1;
    gModel.curve.taWindowEnd = static_cast<uint16_t>((p.ta + p.ts) * 10 + 4);
    gModel.curve.twWindowEnd = static_cast<uint16_t>((p.tw + p.ts) * 10 + 4);
    gModel.cycle.po = 18;
    int n = 0;
    for (; n < 30; ++n) gModel.curve.points[n] = {3 + n % 3, kStateCutAnnounced, 0, 0};
    for (; n < 50; ++n) gModel.curve.points[n] = {17 + n % 3, kStatePoMeasurement, 0, 0};
    for (; n < 420; ++n) {
        const double t = (n - 50) / 370.0;
        const int value = 18 + static_cast<int>(44 * std::sin(t * 3.14159) + 4 * std::sin(n * 0.7));
        gModel.curve.points[n] = {value, kStateRunning, 18, 0};
    }
    gModel.curve.pointCount = n;
    gModel.cycle.peak = 45;
    gModel.cycle.lastSample = 31;
    gModel.connection.NotConnected = 0;
    gModel.alarms.AlarmBits = kAlarmBlunt;
    for (int i = 0; i < 420; ++i) {
        const auto peak = static_cast<uint8_t>(40 + 8 * std::sin(i * 0.05) + (i % 7));
        AppendStatisticsEntry(gStatistics, cut, {peak, static_cast<uint8_t>(peak / 2)});
    }
}

RasterCanvas CurveScreen() {
    RasterCanvas canvas(L(kWindowWidth), L(kWindowHeight), kWindowBackground);
    CurveCursor cursor;
    DrawCurveFrame(canvas, Target::kScreen, cursor);
    DrawCurvePoints(canvas, Target::kScreen, cursor);
    DrawPowerBar(canvas);
    return canvas;
}

// Cut 3's tool steady at about 20 % for 150 cycles, then wearing by 1 % in 8 cycles.
RasterCanvas ForecastScreen() {
    const int cut = 2;
    ResetCutStatistics(gStatistics, cut);
    for (int i = 0; i < 215; ++i) {
        const int peak = 20 + (i > 150 ? (i - 150) / 8 : 0) + (i * 7) % 5 - 2;
        AppendStatisticsEntry(gStatistics, cut, {static_cast<uint8_t>(peak), static_cast<uint8_t>(peak / 3)});
    }
    static TrendBook book;
    StartTrends(book, gStatistics, kForecastWindowDefault);
    RasterCanvas canvas = CurveScreen();
    DrawForecastView(canvas, ForecastOf(book, cut, gModel.cutParameters[cut]), Target::kScreen);
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
    LayoutIndex = 1;
    SampleCycle();
    RasterCanvas power = CurveScreen();
    DrawStatisticsFrame(power, kPowerStatistics, Target::kScreen, kDefaultStatisticsFileName);
    StatisticsCursor chart;
    DrawStatisticsBars(power, kPowerStatistics, chart);
    RasterCanvas parameters = CurveScreen();
    DrawParameterTable(parameters, L(kWindowWidth) - 6);
    RasterCanvas legend(150, 150, kWindowBackground);
    DrawLegend(legend);
    const RasterCanvas forecast = ForecastScreen();
    const bool ok = Write(power, folder, "screen-power.ppm") &&
                    Write(parameters, folder, "screen-parameters.ppm") &&
                    Write(forecast, folder, "screen-forecast.ppm") && Write(legend, folder, "legend.ppm");
    return ok ? 0 : 1;
}
