// One tick of the 30 ms timer (timer 100): repaint requests, watchdog, relays countdown, pump.
#pragma once

#include <cstdint>

constexpr unsigned kTimerId = 100;
constexpr unsigned kTimerPeriodMs = 30;

void TimerTick();
// Forget the remembered last sample (start of the program, tests).
void ResetTimerTick();
