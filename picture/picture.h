// The picture generator: one new abstract picture from the random source.
//
// A picture is planned, then filled. Planning takes exactly the 42 draws of
// one picture from the calling thread's random source (draws 1-15 the five
// wave sources, 16-40 the palette set-up, 41 the channel halving, 42 the
// variant) and builds the 1024-entry palette. Filling turns the plan into
// pixels, any range of rows at a time: each range computes the level of the
// row before its first row itself, so ranges filled separately, in any
// order and on any threads, give exactly the pixels of one whole pass.
//
// Pixels go to a PixelBuffer, laid out and sized as picture/pixel_buffer.h
// says.
//
// Nothing here allocates, calls the platform or keeps state between calls
// but the random source. Arithmetic is in double precision; values are
// rounded to float exactly where they are stored; every conversion of a real
// to an integer truncates toward zero. Every thread that plans or fills
// pictures calls UsePictureFloatMode (picture/float_mode.h) first, so that
// an x87 build rounds as the others do.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/pixel_buffer.h"

constexpr int32_t kWaveSourceCount = 5;
constexpr int32_t kPaletteSize = 1024;
constexpr int32_t kPictureDraws = 42;
constexpr int32_t kVariantCount = 8;

// Takes the draws of `pictures` pictures from the calling thread's random
// source without planning them, in time independent of the count: the
// next PlanPicture then plans the picture that follows them, as if each
// had been planned in turn.
void SkipPictures(uint64_t pictures);

// The five circular wave sources of a picture.
struct WaveSources {
    float x[kWaveSourceCount];          // centre column, 0 to width
    float y[kWaveSourceCount];          // centre row, 0 to height
    float frequency[kWaveSourceCount];  // radians per pixel, 50/(11 width) to 50/width
};

// Everything that the 42 draws of one picture decide.
struct PicturePlan {
    int32_t width;   // even-rounded client size that the picture is made for
    int32_t height;
    WaveSources sources;
    uint32_t palette[kPaletteSize];  // 0x00RRGGBB, channel halving applied
    int32_t variant;                 // 0 to 7
};

// Takes the 42 draws of one picture and fills `plan`. `forcedVariant` of 0
// to 7 replaces the variant that the 42nd draw picks (the draw is still
// taken, so the sequence stays aligned); any other value keeps the draw's.
void PlanPicture(PicturePlan* plan, int32_t width, int32_t height, int32_t forcedVariant = -1);

// Fills rows `firstRow` to `endRow - 1` of the PixelBuffer whose row 0 is at
// `pixels` (the whole buffer, not the band). `previousRow` and `currentRow`
// are `plan->width` floats each, scratch that belongs to the caller for the
// call; one pair per thread when bands run in parallel. The level of the
// row before `firstRow` is always computed, even when no row follows. This
// is the fast evaluation (vector instructions chosen for the processor);
// its pixels equal the reference's, on every instruction set (the tests
// demand it; a level within rounding error of a palette or shade step is
// where a difference would first show).
// With nothing but the two row buffers, a mirrored variant evaluates the
// field level at every point and at its mirror point, twice the work of
// the work items below, which pair the rows.
void FillPictureRows(const PicturePlan* plan, uint32_t* pixels, float* previousRow,
                     float* currentRow, int32_t firstRow, int32_t endRow);

// The same rows by the plain scalar evaluation of every sine, square root
// and arc tangent: the reference that any faster evaluation is held to.
void FillPictureRowsReference(const PicturePlan* plan, uint32_t* pixels, float* previousRow,
                              float* currentRow, int32_t firstRow, int32_t endRow);

// Work items: the picture cut into pieces that any threads may fill, each
// item once, in any order and any number at a time; the pixels are those
// of FillPictureRows over the whole picture, however the items are spread.
// Each item writes only its own rows. The
// mirrored variants take their rows in pairs (y and height - y) so that a
// point and its mirror point share one evaluation of the field level.
//
// A thread needs PictureScratchSize(width) bytes of scratch of its own,
// any alignment, allocated once for the widest picture it will fill
// (plan->width must not exceed that width); an item does not allocate.
// PictureWorkItemCount gives the items of a plan (0 when there is nothing
// to fill); FillPictureWorkItem fills item `item`, 0 <= item <
// PictureWorkItemCount(plan). Both are safe to call from any thread at once
// with distinct items and distinct scratch, and use the fast evaluation.
// The plan must stay unchanged while its items are filled.
//
// An item is 32 rows (16 row pairs): about 1 ms at 1920 pixels wide on a
// current core, but tens of milliseconds on an x87 processor, which is too
// long to keep a dismissed window up. So a fill may be given `stop`, which
// it asks before each row (each row pair of a mirrored variant) it begins;
// a true answer ends the fill there and FillPictureWorkItem returns false,
// with the item's rows partly written. Without a stop, or while it answers
// false, the pixels are exactly those of a fill without one, and the
// result is true.
struct PictureStop {
    // Called on the filling thread; must be cheap (a flag's read) and never block.
    bool (*requested)(const void* context);
    const void* context;
};
size_t PictureScratchSize(int32_t width);
int32_t PictureWorkItemCount(const PicturePlan* plan);
bool FillPictureWorkItem(const PicturePlan* plan, uint32_t* pixels, int32_t item, void* scratch,
                         const PictureStop* stop = nullptr);

// The rows that work item `item` writes, so that a front end can hand on
// exactly those once the item is filled: at most two ranges of rows
// [first, end), the lower first, neither empty, apart from each other (two
// ranges that meet are given as one). A plain item writes one band; an item
// of a mirrored variant writes its rows near the bottom and their mirror
// rows near the top. Returns the number of ranges, 0 for an item that is
// not one of the plan's.
struct RowRange {
    int32_t first;
    int32_t end;
};
int32_t PictureWorkItemRows(const PicturePlan* plan, int32_t item, RowRange ranges[2]);

// One whole picture into `pixels` (`width` x `height`, both even): plans it
// into process-wide storage with the calling thread's draws and fills every
// row in one pass. Returns `height`.
int32_t GeneratePicture(uint32_t* pixels, int32_t width, int32_t height, float* previousRow,
                        float* currentRow);
