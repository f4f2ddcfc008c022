#include "print/print_job_win32.h"

#include "print/page_fonts_win32.h"
#include "print/page_mapping.h"
#include "print/parameter_page.h"
#include "print/print_calls_win32.h"
#include "res/resource.h"
#include "view/curve_view.h"
#include "view/gdi_canvas_win32.h"
#include "view/layout.h"
#include "view/statistics_view.h"

namespace {

// Reported when a step failed without the system naming a reason.
constexpr int32_t kStepFailed = ERROR_GEN_FAILURE;

int32_t StepFailure() {
    const DWORD e = GetLastError();
    return e != 0 ? static_cast<int32_t>(e) : kStepFailed;
}

void SetPageMapping(HDC dc, PageKind kind, const PrintCalls& calls, const Layout& layout) {
    const SIZE area = calls.printableArea(calls.self, dc);
    const PageMapping m = MapPage(kind, layout.index, area.cx, area.cy);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, m.windowExtentX, m.windowExtentY, nullptr);
    SetViewportExtEx(dc, m.viewportExtentX, m.viewportExtentY, nullptr);
    SetViewportOrgEx(dc, m.viewportOriginX, m.viewportOriginY, nullptr);
}

// One document of one page: the document named after the program, the mapping of the page kind
// (from the screen's layout), the page drawn by draw(dc).
template <class Draw>
int32_t PrintOnePage(HDC dc, PageKind kind, const PrintInputs& inputs, Draw draw) {
    const PrintCalls& calls = inputs.calls;
    char name[128] = "ZavIze";
    LoadStringA(GetModuleHandleA(nullptr), IDS_CAPTION, name, sizeof name);
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = name;
    SetLastError(0);
    if (calls.startDoc(calls.self, dc, &doc) <= 0) return StepFailure();
    SetLastError(0);
    if (calls.startPage(calls.self, dc) <= 0) {
        const int32_t r = StepFailure();
        calls.abortDoc(calls.self, dc);
        return r;
    }
    const int saved = SaveDC(dc);
    SetPageMapping(dc, kind, calls, inputs.screen.layout);
    draw(dc);
    if (saved != 0) RestoreDC(dc, saved);
    SetLastError(0);
    if (calls.endPage(calls.self, dc) <= 0) {
        const int32_t r = StepFailure();
        calls.abortDoc(calls.self, dc);
        return r;
    }
    // A document the spooler did not accept is no printed page either.
    SetLastError(0);
    if (calls.endDoc(calls.self, dc) <= 0) return StepFailure();
    return 0;
}

// The parameter page's font: at most 15 layout pixels high, and as narrow on the page as the
// table's character cell however the mapping stretches it. Its natural proportions are measured
// on the page without the mapping (a printer may draw its own fonts at them, whatever metrics it
// reports under the mapping).
HFONT CreateParameterPageFont(HDC dc, const PrintCalls& calls, const Layout& layout) {
    LOGFONTA font{};
    font.lfWeight = kParameterPageFontWeight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(font.lfFaceName, kParameterPageFontFace, LF_FACESIZE);
    constexpr int kSampleHeight = 200;  // device pixels
    constexpr char kSample[] = "0000000000";
    SIZE extent{};
    const int saved = SaveDC(dc);
    SetMapMode(dc, MM_TEXT);
    font.lfHeight = kSampleHeight;
    if (HFONT sample = CreateFontIndirectA(&font); sample != nullptr) {
        HGDIOBJ previous = SelectObject(dc, sample);
        if (!GetTextExtentPoint32A(dc, kSample, 10, &extent)) extent.cx = 0;
        SelectObject(dc, previous);
        DeleteObject(sample);
    }
    if (saved != 0) RestoreDC(dc, saved);
    const SIZE area = calls.printableArea(calls.self, dc);
    font.lfHeight = ParameterPageFontHeight(MapPage(PageKind::kParameters, layout.index, area.cx, area.cy),
                                            layout.index, extent.cx, 10 * kSampleHeight);
    return CreateFontIndirectA(&font);
}

// Draws a page of the screen's views with fonts made for the page.
template <class Draw>
void DrawWithPageFonts(HDC dc, const DrawingResources& screen, Draw draw) {
    PageFonts fonts = CreatePageFonts(dc, screen);
    HGDIOBJ previous = fonts.surface != nullptr ? SelectObject(dc, fonts.surface) : nullptr;
    {
        GdiCanvas canvas(dc, screen, GdiCanvas::Fonts{fonts.caption, fonts.number, fonts.table});
        draw(canvas);
    }
    if (previous != nullptr) SelectObject(dc, previous);
    DeletePageFonts(fonts);
}

void DrawParameterPageOn(HDC dc, const PrintInputs& inputs) {
    char date[64] = "", time[64] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, time, sizeof time);
    HFONT font = CreateParameterPageFont(dc, inputs.calls, inputs.screen.layout);
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    {
        GdiCanvas canvas(dc, inputs.screen);  // the page font is the surface's font while it draws
        DrawParameterPage(canvas, inputs.model, date, time);
    }
    if (previous != nullptr) SelectObject(dc, previous);
    if (font != nullptr) DeleteObject(font);
}

}  // namespace

int32_t PrintActiveCut(HDC dc, const PrintInputs& inputs) {
    return PrintOnePage(dc, PageKind::kActiveCut, inputs, [&inputs](HDC page) {
        DrawWithPageFonts(page, inputs.screen, [&inputs](Canvas& canvas) {
            CurveCursor pageCurve;  // the page's own: printing never moves the screen's
            DrawCurveFrame(canvas, inputs.model, Target::kPrinter, pageCurve);
            DrawCurvePoints(canvas, inputs.model, Target::kPrinter, pageCurve);
        });
    });
}

int32_t PrintStatistics(HDC dc, StatisticsKind kind, const PrintInputs& inputs) {
    return PrintOnePage(dc, PageKind::kStatistics, inputs, [kind, &inputs](HDC page) {
        DrawWithPageFonts(page, inputs.screen, [kind, &inputs](Canvas& canvas) {
            StatisticsCursor pageStatistics;  // the page's own: printing never moves the screen's
            DrawStatisticsFrame(canvas, inputs.model, inputs.statistics, kind, Target::kPrinter,
                                inputs.statisticsFile);
            DrawStatisticsBars(canvas, inputs.model, inputs.statistics, kind, pageStatistics);
        });
    });
}

int32_t PrintParameters(HDC dc, const PrintInputs& inputs) {
    return PrintOnePage(dc, PageKind::kParameters, inputs,
                        [&inputs](HDC page) { DrawParameterPageOn(page, inputs); });
}
