// Time to draw a full curve screen: the frame and 599 points with every limit line and dot, as
// the 30 ms timer repaint does, on a canvas that only counts and on the recording canvas.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/model.h"
#include "tests/unit/recording_canvas.h"
#include "view/curve_view.h"
#include "view/layout.h"

namespace {

// The benchmark's model: allocated once, drawn from by every run.
UnitModel& BenchModel() {
    static const auto model = std::make_unique<UnitModel>();
    return *model;
}

// Counts the calls, so the benchmark measures the view's own work.
class CountingCanvas final : public Canvas {
public:
    long calls = 0;
    void SelectPen(int) override { ++calls; }
    void SelectBrush(int) override { ++calls; }
    int CurrentPen() const override { return kSurfaceObject; }
    int CurrentBrush() const override { return kSurfaceObject; }
    void SelectFont(CanvasFont) override { ++calls; }
    CanvasFont CurrentFont() const override { return CanvasFont::kSurface; }
    void MoveTo(int, int) override { ++calls; }
    void LineTo(int, int) override { ++calls; }
    void Rectangle(int, int, int, int) override { ++calls; }
    void Ellipse(int, int, int, int) override { ++calls; }
    void Polygon(const CanvasPoint*, int) override { ++calls; }
    void SetPixel(int, int, Colour) override { ++calls; }
    unsigned TextAlign() const override { return 0; }
    void SetTextAlign(unsigned) override { ++calls; }
    Colour BackgroundColour() const override { return 0; }
    void SetBackgroundColour(Colour) override { ++calls; }
    Colour TextColour() const override { return 0; }
    void SetTextColour(Colour) override { ++calls; }
    void TextOut(int, int, const char*) override { ++calls; }
    int AverageCharWidth() override { return 8; }
};

// A full screen of one cycle: cut announced, Po measurement, then running with Ta and Tw set.
void PrepareFullCurve() {
    UnitModel& model = BenchModel();
    ResetUnitModel(model);
    WriteParameterDefaults(model);
    CutParameters p = DefaultCutParameters();
    p.breakLimit = 50;
    p.bluntLimit = 30;
    p.missingLimit = 10;
    p.ta = 30;
    p.tw = 20;
    p.taOnBlunt = 1;
    p.bluntMode = 1;
    model.activeCutParameters = p;
    model.cutParameters[0] = p;
    model.cycle.po = 20;
    model.cycle.peak = 63;
    model.cycle.workSum = 123456;
    model.curve.taWindowEnd = 500;
    model.curve.twWindowEnd = 400;
    for (int i = 0; i < kCompressAt; ++i) {
        const int state = i < 20 ? kStateCutAnnounced : i < 40 ? kStatePoMeasurement : kStateRunning;
        model.curve.points[i] = {10 + (i * 7) % 90, state, state == kStateRunning ? 20 : 0, 0};
    }
    model.curve.pointCount = kCompressAt;
}

void BM_CurveScreenOnCountingCanvas(benchmark::State& state) {
    PrepareFullCurve();
    CountingCanvas canvas;
    for (auto _ : state) {
        CurveCursor cursor;
        DrawCurveFrame(canvas, BenchModel(), Target::kScreen, cursor);
        DrawCurvePoints(canvas, BenchModel(), Target::kScreen, cursor);
        DrawPowerBar(canvas, BenchModel());
    }
    benchmark::DoNotOptimize(canvas.calls);
    state.counters["calls/screen"] =
        static_cast<double>(canvas.calls) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CurveScreenOnCountingCanvas);

void BM_CurveScreenOnRecordingCanvas(benchmark::State& state) {
    PrepareFullCurve();
    RecordingCanvas canvas;
    for (auto _ : state) {
        canvas.Clear();
        CurveCursor cursor;
        DrawCurveFrame(canvas, BenchModel(), Target::kScreen, cursor);
        DrawCurvePoints(canvas, BenchModel(), Target::kScreen, cursor);
        DrawPowerBar(canvas, BenchModel());
        benchmark::DoNotOptimize(canvas.ops.data());
    }
    state.counters["ops/screen"] = static_cast<double>(canvas.ops.size());
}
BENCHMARK(BM_CurveScreenOnRecordingCanvas);

}  // namespace
