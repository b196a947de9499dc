#include "display/picture_window.h"

#include <cstring>

#include "display/display_power.h"
#include "display/find_proc.h"
#include "display/window_stages.h"

PictureState pictureState;

static_assert(kWmCreate == WM_CREATE && kWmDestroy == WM_DESTROY && kWmPaint == WM_PAINT &&
                  kWmKeyDown == WM_KEYDOWN && kWmPowerBroadcast == WM_POWERBROADCAST,
              "the stages' message numbers are the system's");

namespace {

const char kMemoryMessage[] = "Not enought memory.";
const char kMemoryCaption[] = "ondulite";

constexpr DWORD kWorkerStackSize = 4096;
// Wake up now and then while waiting for the worker, in case a sent
// message slipped in between the peek and the wait.
constexpr DWORD kStopPollMs = 100;

// Not every system has these; they are taken by name from user32.
typedef BOOL(WINAPI* EnumDisplayMonitorsProc)(HDC dc, LPCRECT clip, MONITORENUMPROC visit, LPARAM parameter);
typedef BOOL(WINAPI* GetMonitorInfoProc)(HMONITOR monitor, LPMONITORINFO info);
typedef HANDLE(WINAPI* RegisterPowerNoticeProc)(HANDLE recipient, LPCGUID setting, DWORD flags);
typedef BOOL(WINAPI* UnregisterPowerNoticeProc)(HANDLE notice);

constexpr DWORD kNoticeToWindow = 0;  // DEVICE_NOTIFY_WINDOW_HANDLE

// The head of a POWERBROADCAST_SETTING: the setting, then its value.
struct PowerSettingNotice {
    GUID setting;
    DWORD dataLength;
    UCHAR data[1];
};

template <typename Proc>
Proc User32Proc(const char* name)
{
    return FindProc<Proc>(GetModuleHandleA("USER32.DLL"), name);
}

LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC next = pictureState.nextStage ? pictureState.nextStage : DefWindowProcA;
    return next(window, message, wParam, lParam);
}

size_t PictureBytes(void)
{
    return PixelBufferBytes(pictureState.header.biWidth, pictureState.header.biHeight);
}

void* AllocatePixels(size_t bytes)
{
    if (bytes == 0) return nullptr;
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void FreePixels(uint32_t** pixels)
{
    if (*pixels) {
        VirtualFree(*pixels, 0, MEM_RELEASE);
        *pixels = nullptr;
    }
}

struct MonitorSearch {
    GetMonitorInfoProc getInfo;
    POINT origin;  // the client area's top left on the virtual screen
    MonitorArea areas[4 * kMaxMonitors];
    int32_t count;
};

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC dc, LPRECT clip, LPARAM parameter)
{
    (void)dc;
    (void)clip;
    MonitorSearch* search = (MonitorSearch*)parameter;
    MONITORINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    if (!search->getInfo(monitor, &info)) return TRUE;
    const RECT& r = info.rcMonitor;
    search->areas[search->count++] = {r.left - search->origin.x, r.top - search->origin.y,
                                      r.right - search->origin.x, r.bottom - search->origin.y};
    return search->count < 4 * kMaxMonitors;
}

// The monitors' areas in the window's client coordinates; none where the
// system cannot list them (Windows 95, NT 4).
int32_t FindMonitorAreas(HWND window, MonitorSearch* search)
{
    EnumDisplayMonitorsProc enumerate = User32Proc<EnumDisplayMonitorsProc>("EnumDisplayMonitors");
    search->getInfo = User32Proc<GetMonitorInfoProc>("GetMonitorInfoA");
    search->count = 0;
    search->origin = {0, 0};
    if (!enumerate || !search->getInfo) return 0;
    ClientToScreen(window, &search->origin);
    enumerate(nullptr, nullptr, CollectMonitor, (LPARAM)search);
    return search->count;
}

// Decides the cycle's pictures: one per monitor when the window covers
// the monitors and the system lists them, else one for the whole window.
void LayOutPictures(HWND window, LONG clientWidth, LONG clientHeight)
{
    MonitorSearch search;
    int32_t found = pictureState.coversMonitors ? FindMonitorAreas(window, &search) : 0;
    pictureState.monitorCount =
        found > 0 ? LayOutMonitors(search.areas, found, clientWidth, clientHeight, pictureState.monitors) : 0;
    if (pictureState.monitorCount == 0) {
        MonitorArea whole = {0, 0, clientWidth, clientHeight};
        pictureState.monitorCount = LayOutMonitors(&whole, 1, clientWidth, clientHeight, pictureState.monitors);
    }
}

// A buffer for the monitors' pictures unless the one picture fills the window.
bool AllocateMonitorDrawing(void)
{
    const int32_t width = pictureState.header.biWidth;
    const int32_t height = pictureState.header.biHeight;
    if (pictureState.monitorCount == 1 && FillsBuffer(&pictureState.monitors[0], width, height)) return true;
    size_t largest = 0;
    for (int32_t m = 0; m < pictureState.monitorCount; ++m) {
        size_t bytes = PixelBufferBytes(pictureState.monitors[m].width, pictureState.monitors[m].height);
        if (bytes > largest) largest = bytes;
    }
    pictureState.monitorDrawing = (uint32_t*)AllocatePixels(largest);
    return pictureState.monitorDrawing != nullptr;
}

bool StartWorker(void)
{
    pictureState.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!pictureState.stopEvent) return false;
    pictureState.displayOn = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (!pictureState.displayOn) return false;
    if (!StartPool(&pictureState.pool, pictureState.stopEvent)) return false;
    // Windows 95, 98 and Me refuse a null identifier pointer; the
    // identifier itself is not needed.
    DWORD workerId = 0;
    pictureState.worker = CreateThread(nullptr, kWorkerStackSize, PictureWorker, nullptr, 0, &workerId);
    return pictureState.worker != nullptr;
}

// PM_QS_SENDMESSAGE came with Windows 98 and 2000; 95 and NT 4 do not know
// it. Any PeekMessage serves the sent messages before it looks at the
// queue, and with PM_NOREMOVE alone it leaves the posted ones where they are.
UINT SentMessagesOnly(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    bool known = version.dwMajorVersion > 4 ||
                 (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && version.dwMinorVersion >= 10);
    return known ? PM_QS_SENDMESSAGE : 0;
}

// The worker may be inside UpdateWindow, waiting for this thread to paint:
// keep serving messages sent to this thread until the worker has ended.
void WaitServingSentMessages(HANDLE thread)
{
    const UINT sentOnly = SentMessagesOnly();
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, kStopPollMs, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) return;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | sentOnly);
    }
}

void StopWorker(void)
{
    AskPoolToStop(&pictureState.pool);
    if (pictureState.stopEvent) SetEvent(pictureState.stopEvent);
    if (pictureState.worker) {
        WaitServingSentMessages(pictureState.worker);
        CloseHandle(pictureState.worker);
        pictureState.worker = nullptr;
    }
    // The helpers never wait for this thread: a plain wait is enough.
    StopPool(&pictureState.pool);
}

// Where the system tells of the display going off and on (Windows Vista
// and later), ask to be told. Both settings are asked for: Windows 8 and
// later report the console display state, Vista and 7 the monitor power.
void AskForDisplayPower(HWND window)
{
    RegisterPowerNoticeProc subscribe =
        User32Proc<RegisterPowerNoticeProc>("RegisterPowerSettingNotification");
    if (!subscribe) return;
    const uint8_t* settings[2] = {kConsoleDisplayStateGuid, kMonitorPowerOnGuid};
    for (int i = 0; i < 2; ++i) {
        GUID setting;
        std::memcpy(&setting, settings[i], sizeof setting);
        pictureState.powerNotices[i] = subscribe(window, &setting, kNoticeToWindow);
    }
}

void StopDisplayPowerNotices(void)
{
    UnregisterPowerNoticeProc unsubscribe =
        User32Proc<UnregisterPowerNoticeProc>("UnregisterPowerSettingNotification");
    for (HANDLE& notice : pictureState.powerNotices) {
        if (notice && unsubscribe) unsubscribe(notice);
        notice = nullptr;
    }
}

// A power-setting notice: a display going off holds the worker, coming
// back on lets it go on with a new picture.
void FollowDisplayPower(LPARAM lParam)
{
    const PowerSettingNotice* notice = (const PowerSettingNotice*)lParam;
    DisplayPower power = DisplayPowerFromSetting((const uint8_t*)&notice->setting, notice->dataLength, notice->data);
    if (pictureState.displayOn && power == DisplayPower::Off) ResetEvent(pictureState.displayOn);
    if (pictureState.displayOn && power == DisplayPower::On) SetEvent(pictureState.displayOn);
}

// The row buffers of every thread that fills pictures, the worker's and
// each helper's: one block of scratch, a slice for each, for pictures up to
// `width` pixels wide. True when it succeeds.
bool AllocateRowBuffers(int32_t width)
{
    return AllocatePoolScratch(&pictureState.pool, PoolThreadsWanted(), width);
}

// Frees the row buffers, if they exist.
void FreeRowBuffers(void)
{
    FreePoolScratch(&pictureState.pool);
}

// Stops the worker and its helpers (without waiting for a picture or a
// sleep to run out), then frees the row buffers, the drawing buffers and
// the section. Clears every handle and address, so it may run twice: after
// a refused creation, the destruction of the refused window runs it again.
void ReleasePictureResources(void)
{
    StopDisplayPowerNotices();
    StopWorker();
    FreeRowBuffers();
    FreePixels(&pictureState.monitorDrawing);
    FreePixels(&pictureState.drawing);
    if (pictureState.bitmap) {
        DeleteObject(pictureState.bitmap);
        pictureState.bitmap = nullptr;
        pictureState.pixels = nullptr;
    }
    if (pictureState.stopEvent) {
        CloseHandle(pictureState.stopEvent);
        pictureState.stopEvent = nullptr;
    }
    if (pictureState.displayOn) {
        CloseHandle(pictureState.displayOn);
        pictureState.displayOn = nullptr;
    }
    if (pictureState.shownLockReady) {
        DeleteCriticalSection(&pictureState.shownLock);
        pictureState.shownLockReady = false;
    }
}

// Tells the user that memory ran short and releases what was taken.
// Returns false, which refuses the window.
bool RefuseWindow(HWND window)
{
    MessageBoxA(window, kMemoryMessage, kMemoryCaption, MB_OK);
    ReleasePictureResources();
    return false;
}

bool CreatePicture(HWND window)
{
    // The class gives the window a device context of its own.
    HDC dc = GetDC(window);
    pictureState.window = window;

    RECT client;
    GetClientRect(window, &client);
    BITMAPINFOHEADER* header = &pictureState.header;
    ZeroMemory(header, sizeof *header);
    header->biSize = sizeof *header;
    header->biWidth = EvenRounded((int32_t)(client.right - client.left));
    header->biHeight = EvenRounded((int32_t)(client.bottom - client.top));  // positive: bottom-up
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;
    LayOutPictures(window, client.right - client.left, client.bottom - client.top);

    InitializeCriticalSection(&pictureState.shownLock);
    pictureState.shownLockReady = true;

    void* bits = nullptr;
    pictureState.bitmap = CreateDIBSection(dc, (BITMAPINFO*)header, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(window, dc);
    pictureState.pixels = (uint32_t*)bits;
    if (!pictureState.bitmap) return RefuseWindow(window);
    // Zeroed by the system: parts of the virtual screen that no monitor
    // shows stay black.
    pictureState.drawing = (uint32_t*)AllocatePixels(PictureBytes());
    if (!pictureState.drawing || !AllocateMonitorDrawing()) return RefuseWindow(window);
    if (!AllocateRowBuffers(header->biWidth)) return RefuseWindow(window);
    if (!StartWorker()) return RefuseWindow(window);
    AskForDisplayPower(window);
    return true;
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
    const StageAction action = PictureWindowAction(message, wParam, lParam);
    switch (action.step) {
    case StageStep::CreatePicture:
        if (!CreatePicture(window)) return -1;
        break;
    case StageStep::ReleasePicture:
        ReleasePictureResources();
        PostQuitMessage(0);
        break;
    case StageStep::PaintPicture:
        PaintPicture(window);
        break;
    case StageStep::SendCloseRequest:
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    case StageStep::FollowDisplayPower:
        FollowDisplayPower(lParam);
        break;
    default:
        break;
    }
    if (action.end == StageEnd::Answer) return action.answer;
    return PassOn(window, message, wParam, lParam);
}
