#include <gtest/gtest.h>

#include "native/pacing.h"

namespace {

PaceClock::time_point At(int milliseconds)
{
    return PaceClock::time_point(std::chrono::milliseconds(milliseconds));
}

}  // namespace

TEST(Pacing, TheNextPictureComesTheDelayAfterTheLastWasShown)
{
    Pacing pacing;
    PictureDueAt(&pacing, At(1000));
    EXPECT_FALSE(PictureDue(&pacing, At(999)));
    EXPECT_TRUE(PictureDue(&pacing, At(1000)));
    EXPECT_EQ(MillisecondsUntilDue(&pacing, At(1000)), 0);

    // Shown at 1.3 s after a long generation: due at 2.3 s, not at 2 s.
    EXPECT_EQ(NoteShown(&pacing, At(1300), 1.0), "-");
    EXPECT_FALSE(PictureDue(&pacing, At(2299)));
    EXPECT_TRUE(PictureDue(&pacing, At(2300)));
    // Rounded up, so that a poll() does not wake a moment early and spin.
    EXPECT_EQ(MillisecondsUntilDue(&pacing, At(1300)), 1001);
    EXPECT_EQ(MillisecondsUntilDue(&pacing, At(5000)), 0);

    EXPECT_EQ(NoteShown(&pacing, At(2550), 0.25), "0.80");
    EXPECT_TRUE(PictureDue(&pacing, At(2800)));
    EXPECT_FALSE(PictureDue(&pacing, At(2799)));
    // A change makes a picture due at once.
    PictureDueAt(&pacing, At(2600));
    EXPECT_TRUE(PictureDue(&pacing, At(2600)));
    EXPECT_EQ(NoteShown(&pacing, At(2600), 0.0), "20.00");
    EXPECT_TRUE(PictureDue(&pacing, At(2600)));
}
