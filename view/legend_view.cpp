#include "view/legend_view.h"
#include "text/text_ids.h"

#include "text/language.h"
#include "view/palette.h"

namespace {

void Fill(Canvas& c, int colour, int left, int top, int right, int bottom) {
    c.SelectPen(colour);
    c.SelectBrush(colour);
    c.Rectangle(left, top, right, bottom);
}

void Limit(Canvas& c, int colour, int left, int right, int y) {
    c.SelectPen(colour);
    DrawLine(c, left, y, right, y);
}

}  // namespace

void DrawLegend(Canvas& canvas) {
    const int pen = canvas.CurrentPen(), brush = canvas.CurrentBrush();
    {
        TextStateGuard keep(canvas);
        // A sketched cycle: cut announced (Ts), Po measurement, power below and above Po.
        Fill(canvas, kPaletteGrey, 5, 80, 25, 90);
        Fill(canvas, kPaletteYellow, 25, 80, 30, 90);
        Fill(canvas, kPaletteGrey, 31, 80, 95, 90);
        canvas.SelectPen(kPaletteBlue);
        canvas.SelectBrush(kPaletteBlue);
        const CanvasPoint abovePo[] = {{31, 79}, {50, 50}, {85, 60}, {94, 79}};
        canvas.Polygon(abovePo, 4);
        Limit(canvas, kPaletteDarkGreen, 5, 94, 70);
        Limit(canvas, kPaletteMagenta, 5, 95, 45);
        Limit(canvas, kPaletteRed, 5, 94, 30);
        canvas.SelectPen(kPaletteBlack);
        DrawLine(canvas, 10, 88, 15, 100);
        DrawLine(canvas, 27, 88, 32, 100);
        DrawLine(canvas, 90, 88, 95, 100);
        DrawLine(canvas, 97, 60, 80, 65);

        canvas.SelectFont(CanvasFont::kTable);
        canvas.SetBackgroundColour(kWindowBackground);
        canvas.SetTextAlign(kAlignLeft | kAlignTop);
        canvas.TextOut(9, 102, GetText(kTextTs));
        canvas.TextOut(30, 102, GetText(kTextPoCalc));
        canvas.TextOut(95, 102, GetText(kTextPo));
        canvas.SetTextAlign(kAlignLeft | kAlignBottom);
        canvas.TextOut(97, 35, GetText(kTextBreak));
        canvas.TextOut(97, 50, GetText(kTextBlunt));
        canvas.TextOut(97, 80, GetText(kTextMissingShort));
        canvas.TextOut(97, 65, GetText(kTextWork));
    }
    canvas.SelectPen(pen);
    canvas.SelectBrush(brush);
}
