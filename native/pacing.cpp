#include "native/pacing.h"

#include <cstdio>

void PictureDueAt(Pacing* pacing, PaceClock::time_point now)
{
    pacing->nextAt = now;
}

bool PictureDue(const Pacing* pacing, PaceClock::time_point now)
{
    return now >= pacing->nextAt;
}

std::string NoteShown(Pacing* pacing, PaceClock::time_point now, double delaySeconds)
{
    std::string rate = "-";
    if (pacing->shownBefore) {
        std::chrono::duration<double> interval = now - pacing->lastShownAt;
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", interval.count() > 0 ? 1.0 / interval.count() : 0.0);
        rate = text;
    }
    pacing->lastShownAt = now;
    pacing->shownBefore = true;
    pacing->nextAt =
        now + std::chrono::duration_cast<PaceClock::duration>(std::chrono::duration<double>(delaySeconds));
    return rate;
}

int MillisecondsUntilDue(const Pacing* pacing, PaceClock::time_point now)
{
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(pacing->nextAt - now).count();
    return wait > 0 ? (int)wait + 1 : 0;
}
