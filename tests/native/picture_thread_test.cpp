#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "picture/picture.h"
#include "picture/random.h"
#include "test_pictures.h"
#include "native/picture_thread.h"

namespace {

// The pictures of one seed as a saver's worker makes them, one after the
// other on this thread, each at its own size.
struct Sequence {
    explicit Sequence(uint32_t seed) { SeedRandom(seed); }
    std::vector<uint32_t> Next(int32_t width, int32_t height)
    {
        std::unique_ptr<PicturePlan> plan(new PicturePlan);
        PlanPicture(plan.get(), width, height);
        return FillWhole(*plan, false);
    }
};

std::vector<uint32_t> Make(PictureThread* worker, int32_t width, int32_t height)
{
    RequestPicture(worker, width, height);
    EXPECT_TRUE(TakeFinishedPicture(worker));
    EXPECT_EQ(worker->width, width);
    EXPECT_EQ(worker->height, height);
    return worker->pixels;
}

}  // namespace

TEST(PictureThread, ShowsTheSeedsSequenceAndGoesOnWithItAtANewSize)
{
    PictureThread worker;
    ASSERT_TRUE(StartPictureThread(&worker, 2026));
    Sequence expected(2026);

    EXPECT_EQ(Make(&worker, 64, 48), expected.Next(64, 48));
    EXPECT_EQ(worker.pictureNumber, 1u);
    EXPECT_EQ(Make(&worker, 64, 48), expected.Next(64, 48));
    // A smaller window, then one wider than the band pool was started for.
    EXPECT_EQ(Make(&worker, 30, 20), expected.Next(30, 20));
    EXPECT_EQ(Make(&worker, 200, 34), expected.Next(200, 34));
    EXPECT_EQ(worker.pictureNumber, 4u);

    EXPECT_TRUE(StopPictureThread(&worker));
    EXPECT_EQ(worker.readyPipe[0], -1);
    EXPECT_TRUE(worker.pixels.empty());
    EXPECT_TRUE(StopPictureThread(&worker));
}

TEST(PictureThread, DrawsFromItsOwnThreadOnly)
{
    SeedRandom(5);
    int32_t firstDraw = NextRandom();
    SeedRandom(5);
    PictureThread worker;
    ASSERT_TRUE(StartPictureThread(&worker, 5));
    Make(&worker, 16, 16);
    EXPECT_EQ(NextRandom(), firstDraw);  // this thread's sequence was not touched
    EXPECT_TRUE(StopPictureThread(&worker));
}
