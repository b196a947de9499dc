// The about box's picture at any scale, as plain functions: built
// everywhere, tested natively.
//
// The picture is the first one of a saver seeded with kAboutPictureSeed. At
// 96 DPI it is kAboutPictureWidth x kAboutPictureHeight pixels, exactly
// bitmap 102 (resources/make-about-picture.sh makes that file with the
// render tool from these numbers); at another DPI the box holds the same
// picture made afresh at the scaled size, sharp, rather than bitmap 102
// stretched: `ondulite-render --seed 2026 --picture 1 --size WxH` gives the
// same pixels.
#pragma once

#include <cstdint>

constexpr uint32_t kAboutPictureSeed = 2026;
constexpr int32_t kAboutPictureWidth = 264;
constexpr int32_t kAboutPictureHeight = 220;
constexpr int32_t kAboutPictureDpi = 96;

struct AboutPictureSize {
    int32_t width;
    int32_t height;
};

// The picture's size at `dpi` dots per inch: 264 x 220 scaled by dpi / 96,
// each side rounded to the nearest pixel (120 DPI gives 330 x 275). Values
// below 1 and above 9600 (none that a display reports) give the 96-DPI
// size.
AboutPictureSize AboutPictureSizeAt(int32_t dpi);

// Whether `size` is the size of bitmap 102 itself.
bool IsResourcePictureSize(AboutPictureSize size);

// Makes the picture at `size` into `pixels`: width x height 32-bit pixels
// 0x00RRGGBB, rows one after another with no gap, bottom line first (the
// layout of a bottom-up 32-bit DIB). Like a window of that size, it shows
// the top left of the picture made at the even-rounded size. Takes its
// draws from the calling thread's random source (seeded anew here) and
// puts the thread in the picture float mode. Allocates its scratch; false,
// with `pixels` untouched, when memory is short or a side is not positive.
bool MakeAboutPicture(AboutPictureSize size, uint32_t* pixels);
