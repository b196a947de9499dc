// The pace of the native front ends, the saver's: the next picture (or the
// next cycle of pictures) is made `delay` seconds after the previous one
// was shown, so one period is generation plus display plus the pause, not a
// fixed rate. Plain values over given times, so that it is tested without
// waiting.
#pragma once

#include <chrono>
#include <string>

using PaceClock = std::chrono::steady_clock;

struct Pacing {
    PaceClock::time_point nextAt{};       // when the next picture is due
    PaceClock::time_point lastShownAt{};  // when the previous one was shown
    bool shownBefore = false;
};

// The next picture is due at `now`: at the start, or after a change that
// makes the picture on show wrong (a new window size, a new output).
void PictureDueAt(Pacing* pacing, PaceClock::time_point now);

bool PictureDue(const Pacing* pacing, PaceClock::time_point now);

// Notes a picture shown at `now`: the next is due `delaySeconds` later.
// Returns the rate since the previous one as "%.2f" pictures per second,
// or "-" for the first, for the --fps lines.
std::string NoteShown(Pacing* pacing, PaceClock::time_point now, double delaySeconds);

// Milliseconds for poll() until the next picture is due: rounded up, so
// that poll does not wake just before it; 0 when it is due.
int MillisecondsUntilDue(const Pacing* pacing, PaceClock::time_point now);
