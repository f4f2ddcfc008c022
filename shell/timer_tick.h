// One tick of the 30 ms timer (timer 100): repaint requests, watchdog, relays countdown, pump.
#pragma once

#include <cstdint>

struct Monitor;

constexpr unsigned kTimerId = 100;
constexpr unsigned kTimerPeriodMs = 30;

void TimerTick(Monitor& monitor);
// Forget the remembered last sample (start of the program, tests).
void ResetTimerTick(Monitor& monitor);
