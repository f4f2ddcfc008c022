// The least squares line over a window of cycles, its standard error, the cycles left until it
// reaches a limit, and the start of the latest rise. Shared by the monitor's forecast and kvdstat.
#pragma once

#include <cstddef>
#include <cstdint>

// Running sums over a window, so that every window of a long history is fitted in constant time.
// Every term is a whole number well below 2^53, so adding and taking away is exact.
struct WindowSums {
    double sy = 0, syy = 0, sjy = 0;  // sums of y, y*y and j*y (j: the cycle's index)
};
// Adds (sign 1) or takes away (sign -1) the value y of cycle j.
void AddToSums(WindowSums& s, std::size_t j, double y, double sign);

// Least squares line y = a + b x over y[first .. first+n-1], x counted from `first`.
struct LineFit {
    std::size_t first = 0, n = 0;
    double slope = 0;       // per cycle
    double level = 0;       // the line's value at the last cycle of the window
    double slopeError = 0;  // standard error of the slope (0 with fewer than 3 cycles)
};
LineFit FitFromSums(const WindowSums& s, std::size_t first, std::size_t n);
// The fit of the values y[first .. first+n-1] of a history of `size` values (cut at its end).
LineFit FitValues(const uint8_t* y, std::size_t size, std::size_t first, std::size_t n);

// Whether the slope lies more than two standard errors above zero.
bool RisingSignificantly(const LineFit& f);

// Cycles until the fitted line reaches a limit at the window's drift, with the range that the
// slope's uncertainty (two standard errors) leaves.
struct LimitForecast {
    enum Kind { kNoLimit, kAlreadyAbove, kNotRising, kReached } kind = kNoLimit;
    double cycles = 0, low = 0, high = 0;  // high < 0: no upper bound (the drift may be zero)
};
// limit <= 0: no limit (Off).
LimitForecast ForecastLimit(const LineFit& fit, int limit);

// The first cycle of the run of windows of w cycles, up to the one ending with the last value,
// whose slope lies more than two standard errors above zero; -1 when the last window's does not
// (or there are fewer than 3 values).
long RisingSince(const uint8_t* y, std::size_t size, std::size_t w);
