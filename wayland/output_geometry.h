// The arithmetic of ondulite-wayland's outputs, without a compositor so that
// it is tested natively: how many device pixels a surface's picture has,
// how a picture goes into a wl_shm buffer, and which outputs take a picture
// in a cycle, in which order.
#pragma once

#include <cstdint>

#include "display/monitor_layout.h"

// What the compositor has told of one output and its layer surface.
struct SurfaceScaleFacts {
    int32_t surfaceWidth = 0;    // the layer surface's configured size, in surface (logical) units
    int32_t surfaceHeight = 0;
    int32_t preferredScale = 0;  // wp_fractional_scale_v1's scale in 120ths; 0 when not told
    int32_t outputScale = 1;     // wl_output's whole-number scale
    int32_t modeWidth = 0;       // the output's current mode in device pixels, unrotated; 0 when not told
    int32_t modeHeight = 0;
    int32_t transform = 0;       // wl_output's transform: the odd values turn by 90 or 270 degrees
    int32_t logicalWidth = 0;    // xdg-output's logical size; 0 when not told
    int32_t logicalHeight = 0;
    bool viewporter = false;     // wp_viewporter is offered, so a buffer may have any size
};

// How a surface shows its picture.
struct BufferPlan {
    int32_t width = 0;        // the buffer in device pixels: the picture's shown size
    int32_t height = 0;
    int32_t bufferScale = 1;  // for wl_surface.set_buffer_scale (1 with a viewport)
    bool viewport = false;    // the viewport maps the buffer onto the surface's size
};

// The buffer that shows one device pixel per buffer pixel, so the picture
// is sharp at every scale. With a viewport: the fractional scale where the
// compositor tells one (the surface size times it, rounded half away from
// zero), else the mode's pixels when the surface covers the whole output;
// without: the surface size times the whole-number scale, which the
// compositor scales down itself on a fractional one. A surface of no size
// gets an empty plan.
BufferPlan PlanOutputBuffer(const SurfaceScaleFacts* facts);

// Copies what a `width` x `height` buffer shows of the PixelBuffer
// (`bufferWidth` x `bufferHeight`, EvenRounded of them, bottom-up) into a
// wl_shm buffer of format XRGB8888: top line first, `width` pixels a line,
// each pixel 0x00RRGGBB stored little-endian. The extra column and line of
// an odd size are clipped, as in every window.
void CopyPictureToShm(const uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight, uint32_t* shm,
                      int32_t width, int32_t height);

// One output as a cycle sees it.
struct CycleOutput {
    MonitorArea area;  // its place in the compositor's layout, in logical units
    bool ready;        // it has asked for a new picture: its last frame came and a buffer is free
};

// Plans one cycle over `count` outputs: writes to `order` the indices of
// those that take a picture now, in the Windows saver's monitor order (see
// OrderMonitors), and returns how many. An output that is not ready takes
// no picture and no draw. For each output, `twinOf` gets the index of the
// output whose picture it shows as its mirror (the same place and size in
// the layout, listed later), or -1.
int32_t PlanCycle(const CycleOutput* outputs, int32_t count, int32_t* order, int32_t* twinOf);
