#include "trend/line_fit.h"

#include <algorithm>
#include <cmath>

void AddToSums(WindowSums& s, std::size_t j, double y, double sign) {
    s.sy += sign * y;
    s.syy += sign * y * y;
    s.sjy += sign * static_cast<double>(j) * y;
}

LineFit FitFromSums(const WindowSums& s, std::size_t first, std::size_t n) {
    LineFit f;
    f.first = first;
    f.n = n;
    if (n < 2) {
        f.level = n == 1 ? s.sy : 0;
        return f;
    }
    const double dn = static_cast<double>(n);
    const double xMean = (dn - 1) / 2;
    const double sxx = dn * (dn * dn - 1) / 12;
    const double sxy = (s.sjy - static_cast<double>(first) * s.sy) - xMean * s.sy;
    const double syyCentred = s.syy - s.sy * s.sy / dn;
    f.slope = sxy / sxx;
    f.level = s.sy / dn + f.slope * (dn - 1 - xMean);
    if (n > 2) {
        const double residual = std::max(0.0, syyCentred - f.slope * sxy);
        f.slopeError = std::sqrt(residual / (dn - 2) / sxx);
    }
    return f;
}

LineFit FitValues(const uint8_t* y, std::size_t size, std::size_t first, std::size_t n) {
    WindowSums s;
    for (std::size_t j = first; j < first + n && j < size; ++j) AddToSums(s, j, y[j], 1);
    return FitFromSums(s, first, std::min(n, size - std::min(first, size)));
}

bool RisingSignificantly(const LineFit& f) { return f.n > 2 && f.slope - 2 * f.slopeError > 0; }

LimitForecast ForecastLimit(const LineFit& fit, int limit) {
    LimitForecast f;
    if (limit <= 0 || fit.n < 3) return f;
    if (fit.level > limit) {
        f.kind = LimitForecast::kAlreadyAbove;
        return f;
    }
    if (fit.slope <= 0) {
        f.kind = LimitForecast::kNotRising;
        return f;
    }
    f.kind = LimitForecast::kReached;
    const double gap = limit - fit.level;
    f.cycles = gap / fit.slope;
    f.low = gap / (fit.slope + 2 * fit.slopeError);
    f.high = fit.slope - 2 * fit.slopeError > 0 ? gap / (fit.slope - 2 * fit.slopeError) : -1;
    return f;
}

long RisingSince(const uint8_t* y, std::size_t size, std::size_t w) {
    if (size < 3) return -1;
    w = std::min(std::max<std::size_t>(w, 3), size);
    // Walk the windows from the latest back while they rise: the sums move one cycle at a time.
    WindowSums sums;
    std::size_t first = size - w;
    for (std::size_t j = first; j < size; ++j) AddToSums(sums, j, y[j], 1);
    if (!RisingSignificantly(FitFromSums(sums, first, w))) return -1;
    while (first > 0) {
        AddToSums(sums, first + w - 1, y[first + w - 1], -1);
        AddToSums(sums, first - 1, y[first - 1], 1);
        if (!RisingSignificantly(FitFromSums(sums, first - 1, w))) break;
        --first;
    }
    return static_cast<long>(first);
}
