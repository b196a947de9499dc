// Where each monitor's picture goes in the full-screen window, decided
// without any platform call.
//
// The full-screen window covers the whole virtual screen; each monitor gets
// a whole picture of its own size rather than a share of one picture spread
// over all of them. A picture is made like the window's: its size is the
// monitor's, each side rounded up to an even number, and it is shown 1:1
// with its top left at the monitor's top left; where a side was rounded up,
// the extra rightmost column and the extra bottom line are clipped, so a
// picture never spills onto a neighbouring monitor.
//
// The monitors take their pictures in a fixed order: by their top edges,
// top to bottom, and monitors whose tops are level from left to right. One
// cycle of the worker is every monitor's picture in that order, each with
// its own 42 draws of the one random source, then the pause. With a single
// monitor covering the window this is the window's one picture.
#pragma once

#include <cstdint>

// A monitor's rectangle in the window's client coordinates, in pixels:
// `left` and `top` inside, `right` and `bottom` just outside.
struct MonitorArea {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// One monitor's picture.
struct MonitorPicture {
    int32_t width;        // the picture's size: the shown size, each side rounded up to even
    int32_t height;
    int32_t left;         // client position of the picture's top left
    int32_t top;
    int32_t shownWidth;   // how much of it is shown: the monitor's area within the client area
    int32_t shownHeight;
};

// More monitors than this are left black: the pictures beyond them would
// each cost a whole picture's time in every cycle.
constexpr int32_t kMaxMonitors = 16;

// Puts monitors in their picture order, without clipping: writes to `order`
// the indices into `areas` of at most kMaxMonitors of them, top edges top to
// bottom, level tops left to right, and of two areas with the same top left
// the larger first. Empty areas are left out, and of areas exactly alike
// (mirrored displays) only the one listed first. Only the first
// 4 * kMaxMonitors areas listed are looked at. Returns how many it wrote.
// Any front end that lays out monitors uses it, so that every one numbers
// them alike.
int32_t OrderMonitors(const MonitorArea* areas, int32_t count, int32_t* order);

// Lays out the pictures of `count` monitors for a client area of
// `clientWidth` x `clientHeight`: each area is clipped to the client area,
// areas left empty and exact duplicates (mirrored displays) are dropped, and
// the rest are ordered as above. Writes at most kMaxMonitors pictures to
// `pictures` and returns how many.
int32_t LayOutMonitors(const MonitorArea* areas, int32_t count, int32_t clientWidth, int32_t clientHeight,
                       MonitorPicture* pictures);

// True when `picture` is the whole PixelBuffer of `bufferWidth` x
// `bufferHeight` (the even-rounded client size): it can then be made in
// place, with nothing to copy.
bool FillsBuffer(const MonitorPicture* picture, int32_t bufferWidth, int32_t bufferHeight);

// Copies the shown part of a monitor's picture (`picture->width` x
// `picture->height` pixels, bottom-up, row 0 its bottom line) into the
// window's PixelBuffer (`bufferWidth` x `bufferHeight`, bottom-up, the
// client area's lines at its top: a buffer one line taller than an odd
// client area has its row 0 below the client area). Pixels outside the
// monitor's shown part are not touched.
void PlaceMonitorPicture(const MonitorPicture* picture, const uint32_t* pixels, uint32_t* buffer,
                         int32_t bufferWidth, int32_t bufferHeight);
