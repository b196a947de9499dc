// The picture side of the saver window: the PixelBuffer, the PictureWorker
// thread with its helpers, and painting. The window's thread runs
// picture_window.cpp, the worker picture_worker.cpp, the helpers
// picture_pool.cpp.
//
// PixelBuffer: `header.biWidth` x `header.biHeight`, the client size at
// creation, laid out, sized and shown as picture/pixel_buffer.h says (a
// bottom-up DIB is exactly that layout).
//
// What it shows: a preview, or any window that the host does not mark as
// covering the monitors, shows one picture of its own size. The full-screen
// window covers the virtual screen and shows one whole picture per monitor,
// each of the monitor's own size, made one after another in the order of
// display/monitor_layout.h; a cycle is every monitor's picture, then the
// pause. With one monitor that covers the window both are the same.
//
// Threads: the window's thread creates, paints and destroys; the worker
// plans each picture (the random draws are its own) and fills it together
// with its helpers (display/picture_pool.h) into a buffer of its own
// (`drawing`); when the cycle's pictures are all made it copies them whole
// into the section under `shownLock` and has the window repainted. So every
// paint shows whole pictures, and a paint waits at most for one copy, never
// for a picture. The worker and its helpers are stopped cooperatively: they
// look at the pool's stop flag between rows and wait on `stopEvent`, and the
// window's thread keeps serving the worker's repaint while it waits for the
// worker to end. Nothing is freed before every thread has ended; no thread
// is killed.
//
// Nobody looking: while the system reports the display off (power-setting
// notices, where the system has them) the worker waits without drawing, and
// makes a new picture as soon as the display is on again; between pictures
// it also waits, looking again every quarter second, while the window
// cannot be seen (hidden itself or through a parent, or its top-level
// window minimised). The first picture is made at once.
#pragma once

#include <windows.h>

#include <cstdint>

#include "display/monitor_layout.h"
#include "display/picture_pool.h"
#include "picture/picture.h"

struct PictureState {
    // Set by the host before the window is made.
    bool coversMonitors;      // a picture per monitor rather than one
    WNDPROC nextStage;        // gets every message not handled here; DefWindowProcA when null

    // Written by the window's thread at creation, before the worker starts,
    // and released by it after the worker has ended; the worker and its
    // helpers only read them.
    BITMAPINFOHEADER header;  // describes the PixelBuffer; used as a BITMAPINFO without colours
    HBITMAP bitmap;           // the DIB section that owns `pixels`; null until created
    HWND window;              // the window served
    HANDLE worker;            // the PictureWorker thread; null until started
    MonitorPicture monitors[kMaxMonitors];  // the pictures of a cycle, in order
    int32_t monitorCount;
    HANDLE stopEvent;         // manual-reset; set by the window's thread when the worker and
                              // its helpers must end
    HANDLE displayOn;         // manual-reset; cleared by the window's thread while the system
                              // reports the display off
    HANDLE powerNotices[2];   // the display power notices asked for; null when not; the
                              // window's thread's alone

    // Shared under `shownLock`: the worker copies finished pictures in,
    // painting on the window's thread reads them.
    uint32_t* pixels;         // the section's PixelBuffer: the last finished pictures
    CRITICAL_SECTION shownLock;
    bool shownLockReady;

    // The worker's (allocated by the window's thread): the picture being
    // made, which its helpers read (`plan`) and fill (their items' rows).
    uint32_t* drawing;        // the pictures being made, laid out like `pixels`
    uint32_t* monitorDrawing; // one monitor's picture before it is placed in `drawing`;
                              // null when the window's one picture is made in place
    PicturePlan plan;         // the picture being made: its sources, palette and variant
    PicturePool pool;         // the worker's helpers, and every drawing thread's row buffers
                              // (display/picture_pool.h says who touches what)
};

extern PictureState pictureState;

// The middle stage of the saver window's messages; carries out what
// PictureWindowAction (display/window_stages.h) decides. Handles WM_CREATE
// (set up; -1 refuses the window after the message "Not enought memory."),
// WM_DESTROY (release everything, quit message 0), WM_PAINT, WM_KEYDOWN
// (sends the window a close request) and the display's power notices
// (WM_POWERBROADCAST with PBT_POWERSETTINGCHANGE: TRUE); passes every other
// message, and WM_CREATE after a successful set-up, to `nextStage`.
LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The worker's thread procedure: seeds the random source with the calendar
// second, then makes a cycle's pictures, shows them and sleeps a second,
// until `stopEvent` is set; it waits while nobody can see them (above).
// Its parameter is not read.
DWORD WINAPI PictureWorker(LPVOID parameter);
