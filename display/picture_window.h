// The picture side of the saver window: the PixelBuffer, the generator's
// row buffers, the PictureWorker thread and painting.
//
// PixelBuffer: `header.biWidth` x `header.biHeight` pixels 0x00RRGGBB (in
// memory blue, green, red, zero), rows one after another with no gap,
// bottom-up: row 0 is the bottom line of the window. Width and height are
// the client size at creation, each rounded up to an even number; where
// rounded, the rightmost column and the bottom line fall outside the
// client area and are clipped.
//
// Two threads meet here. The window's thread creates, paints and destroys;
// the worker draws each picture into a buffer of its own (`drawing`), then
// copies it whole into the section under `shownLock` and has the window
// repainted. So every paint shows whole pictures, and a paint waits at
// most for one copy, never for a picture. The worker is stopped
// cooperatively: it checks `stopEvent` between bands of rows and sleeps on
// it, and the window's thread keeps serving the worker's repaint while it
// waits for the worker to end. Nothing is freed before the worker has
// ended; no thread is ever killed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "picture/picture.h"

struct PictureState {
    BITMAPINFOHEADER header;  // describes the PixelBuffer; used as a BITMAPINFO without colours
    uint32_t* pixels;         // the section's PixelBuffer: the last finished picture
    HBITMAP bitmap;           // the DIB section that owns `pixels`; null until created
    HWND window;              // the window served
    HANDLE worker;            // the PictureWorker thread; null until started
    float* previousRow;       // row buffers: `header.biWidth` floats each, the worker's scratch
    float* currentRow;
    uint32_t* drawing;        // the picture being made, laid out like `pixels`
    PicturePlan plan;         // the picture being made: its sources, palette and variant
    HANDLE stopEvent;         // manual-reset; set when the worker must end
    CRITICAL_SECTION shownLock;  // guards `pixels` between the copy and painting
    bool shownLockReady;
    WNDPROC nextStage;        // gets every message not handled here; DefWindowProcA when null
};

extern PictureState pictureState;

// The middle stage of the saver window's messages. Handles WM_CREATE (set
// up; -1 refuses the window after the message "Not enought memory."),
// WM_DESTROY (release, quit message 0), WM_PAINT and WM_KEYDOWN (sends the
// window a close request); passes every other message, and WM_CREATE after
// a successful set-up, to `nextStage`.
LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The worker's thread procedure: seeds the random source with the calendar
// second, then draws, shows and sleeps a second, until `stopEvent` is set.
// Its parameter is not read.
DWORD WINAPI PictureWorker(LPVOID parameter);

// Allocates the previous-row buffer, then the current-row buffer, `width`
// floats each; true only if both succeed.
bool AllocateRowBuffers(int32_t width);

// Frees the previous-row buffer, then the current-row buffer, each only if
// it exists.
void FreeRowBuffers(void);

// Stops the worker (without waiting for a picture or a sleep to run out),
// then frees the row buffers, the drawing buffer and the section. Clears
// every handle and address, so it may run twice.
void ReleasePictureResources(void);
