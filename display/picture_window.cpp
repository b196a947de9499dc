#include "display/picture_window.h"

#include <cstring>
#include <ctime>

#include "picture/random.h"

PictureState pictureState;

namespace {

const char kMemoryMessage[] = "Not enought memory.";
const char kMemoryCaption[] = "ondulite";

// Rows per band: how often the worker looks for a stop request. Each band
// also recomputes the level of the row before it, so bands much shorter
// than this cost noticeable time; this keeps that near 3%.
constexpr int32_t kBandRows = 32;
constexpr DWORD kWorkerStackSize = 4096;
constexpr DWORD kPicturePauseMs = 1000;
// Wake up now and then while waiting for the worker, in case a sent
// message slipped in between the peek and the wait.
constexpr DWORD kStopPollMs = 100;

LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC next = pictureState.nextStage ? pictureState.nextStage : DefWindowProcA;
    return next(window, message, wParam, lParam);
}

int32_t EvenRounded(LONG size)
{
    return (int32_t)((size + 1) & ~1);
}

size_t PictureBytes(void)
{
    uint64_t bytes = (uint64_t)pictureState.header.biWidth * (uint64_t)pictureState.header.biHeight * 4u;
    return bytes > (uint64_t)SIZE_MAX ? 0 : (size_t)bytes;
}

bool StopRequested(void)
{
    return WaitForSingleObject(pictureState.stopEvent, 0) != WAIT_TIMEOUT;
}

// Makes the next picture in `drawing`, band by band, and gives up between
// bands once a stop is asked for. Every generator call of the saver is
// here, so the bands can be shared out among threads without touching the
// rest of the display.
bool DrawPicture(void)
{
    const int32_t width = pictureState.header.biWidth;
    const int32_t height = pictureState.header.biHeight;
    PlanPicture(&pictureState.plan, width, height);
    for (int32_t first = 0; first < height; first += kBandRows) {
        if (StopRequested()) return false;
        int32_t end = height - first > kBandRows ? first + kBandRows : height;
        FillPictureRows(&pictureState.plan, pictureState.drawing, pictureState.previousRow,
                        pictureState.currentRow, first, end);
    }
    return !StopRequested();
}

void ShowDrawnPicture(void)
{
    EnterCriticalSection(&pictureState.shownLock);
    std::memcpy(pictureState.pixels, pictureState.drawing, PictureBytes());
    LeaveCriticalSection(&pictureState.shownLock);
}

bool AllocateDrawing(void)
{
    size_t bytes = PictureBytes();
    if (bytes == 0) return false;
    pictureState.drawing = (uint32_t*)VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    return pictureState.drawing != nullptr;
}

bool StartWorker(void)
{
    pictureState.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!pictureState.stopEvent) return false;
    pictureState.worker = CreateThread(nullptr, kWorkerStackSize, PictureWorker, nullptr, 0, nullptr);
    return pictureState.worker != nullptr;
}

// The worker may be inside UpdateWindow, waiting for this thread to paint:
// keep serving messages sent to this thread until the worker has ended.
void WaitServingSentMessages(HANDLE thread)
{
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, kStopPollMs, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) return;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void StopWorker(void)
{
    if (!pictureState.worker) return;
    SetEvent(pictureState.stopEvent);
    WaitServingSentMessages(pictureState.worker);
    CloseHandle(pictureState.worker);
    pictureState.worker = nullptr;
}

LRESULT RefuseWindow(HWND window)
{
    MessageBoxA(window, kMemoryMessage, kMemoryCaption, MB_OK);
    ReleasePictureResources();
    return -1;
}

LRESULT CreatePicture(HWND window, WPARAM wParam, LPARAM lParam)
{
    // The class gives the window a device context of its own.
    HDC dc = GetDC(window);
    pictureState.window = window;

    RECT client;
    GetClientRect(window, &client);
    BITMAPINFOHEADER* header = &pictureState.header;
    ZeroMemory(header, sizeof *header);
    header->biSize = sizeof *header;
    header->biWidth = EvenRounded(client.right - client.left);
    header->biHeight = EvenRounded(client.bottom - client.top);  // positive: bottom-up
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;

    InitializeCriticalSection(&pictureState.shownLock);
    pictureState.shownLockReady = true;

    void* bits = nullptr;
    pictureState.bitmap = CreateDIBSection(dc, (BITMAPINFO*)header, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(window, dc);
    pictureState.pixels = (uint32_t*)bits;
    if (!pictureState.bitmap || !AllocateDrawing()) return RefuseWindow(window);
    if (!AllocateRowBuffers(header->biWidth)) return RefuseWindow(window);
    if (!StartWorker()) return RefuseWindow(window);
    return PassOn(window, WM_CREATE, wParam, lParam);
}

// The whole picture at 1:1 to the top left, whatever the update region;
// the even-rounding's extra column and line fall outside and are clipped.
void PaintPicture(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (pictureState.bitmap) {
        const BITMAPINFOHEADER* header = &pictureState.header;
        EnterCriticalSection(&pictureState.shownLock);
        SetDIBitsToDevice(dc, 0, 0, (DWORD)header->biWidth, (DWORD)header->biHeight, 0, 0, 0,
                          (UINT)header->biHeight, pictureState.pixels, (const BITMAPINFO*)header,
                          DIB_RGB_COLORS);
        LeaveCriticalSection(&pictureState.shownLock);
    }
    EndPaint(window, &paint);
}

}  // namespace

LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return CreatePicture(window, wParam, lParam);
    case WM_DESTROY:
        ReleasePictureResources();
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        PaintPicture(window);
        return 0;
    case WM_KEYDOWN:
        SendMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    return PassOn(window, message, wParam, lParam);
}

DWORD WINAPI PictureWorker(LPVOID parameter)
{
    (void)parameter;
    SeedRandom((uint32_t)std::time(nullptr));
    while (DrawPicture()) {
        ShowDrawnPicture();
        InvalidateRect(pictureState.window, nullptr, FALSE);
        UpdateWindow(pictureState.window);
        if (WaitForSingleObject(pictureState.stopEvent, kPicturePauseMs) != WAIT_TIMEOUT) break;
    }
    return 0;
}

bool AllocateRowBuffers(int32_t width)
{
    size_t bytes = (size_t)width * sizeof(float);
    pictureState.previousRow = (float*)HeapAlloc(GetProcessHeap(), 0, bytes);
    if (!pictureState.previousRow) return false;
    pictureState.currentRow = (float*)HeapAlloc(GetProcessHeap(), 0, bytes);
    return pictureState.currentRow != nullptr;
}

void FreeRowBuffers(void)
{
    if (pictureState.previousRow) {
        HeapFree(GetProcessHeap(), 0, pictureState.previousRow);
        pictureState.previousRow = nullptr;
    }
    if (pictureState.currentRow) {
        HeapFree(GetProcessHeap(), 0, pictureState.currentRow);
        pictureState.currentRow = nullptr;
    }
}

void ReleasePictureResources(void)
{
    StopWorker();
    FreeRowBuffers();
    if (pictureState.drawing) {
        VirtualFree(pictureState.drawing, 0, MEM_RELEASE);
        pictureState.drawing = nullptr;
    }
    if (pictureState.bitmap) {
        DeleteObject(pictureState.bitmap);
        pictureState.bitmap = nullptr;
        pictureState.pixels = nullptr;
    }
    if (pictureState.stopEvent) {
        CloseHandle(pictureState.stopEvent);
        pictureState.stopEvent = nullptr;
    }
    if (pictureState.shownLockReady) {
        DeleteCriticalSection(&pictureState.shownLock);
        pictureState.shownLockReady = false;
    }
}
