#include "display/about.h"

#include <climits>
#include <cstdint>
#include <new>

#include "display/about_picture.h"
#include "display/authors_page.h"
#include "display/browser_command.h"
#include "display/find_proc.h"
#include "display/registry_value.h"

namespace {

// Not every system has these (Windows 10 1607, and 98 and 2000); they are
// taken by name from user32.
typedef UINT(WINAPI* GetDpiForWindowProc)(HWND window);
typedef HMONITOR(WINAPI* MonitorFromWindowProc)(HWND window, DWORD flags);
typedef BOOL(WINAPI* GetMonitorInfoProc)(HMONITOR monitor, LPMONITORINFO info);

// WM_DPICHANGED, sent from Windows 8.1 on when the box moves to a monitor
// of another scale.
constexpr UINT kDpiChanged = 0x02E0;
// Posted to the box itself after a DPI change, so that the box is fitted
// again after the dialog manager's own handling of the change, which lays
// the box out anew from its template.
constexpr UINT kFitAgain = WM_APP;

// The box that the configuration mode shows, one at a time.
struct AboutState {
    HWND picture;             // the picture control, the box's one item
    HBITMAP resourcePicture;  // bitmap 102 as the control loaded it; its own again at the end
    HBITMAP scaledPicture;    // the picture made for the box's scale; null while bitmap 102 is shown
    int32_t dpi;              // the scale the box is fitted to, or is told of by WM_DPICHANGED
    POINT suggestedTopLeft;   // where WM_DPICHANGED puts the box
    bool moveToSuggested;
};

AboutState aboutState;

// The scale of the monitor that the box is on where the system tells it
// (per-monitor awareness, Windows 10 1607 and later), else the system's.
int32_t BoxDpi(HWND box)
{
    GetDpiForWindowProc dpiForWindow = FindProc<GetDpiForWindowProc>(GetModuleHandleA("USER32.DLL"), "GetDpiForWindow");
    UINT dpi = dpiForWindow ? dpiForWindow(box) : 0;
    if (dpi != 0) return (int32_t)dpi;
    HDC screen = GetDC(nullptr);
    int systemDpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return systemDpi > 0 ? systemDpi : kAboutPictureDpi;
}

// A bitmap of the about picture at `size`; null when it cannot be made.
HBITMAP MakeScaledPicture(AboutPictureSize size)
{
    BITMAPINFOHEADER header;
    ZeroMemory(&header, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = size.width;
    header.biHeight = size.height;  // bottom-up, as MakeAboutPicture lays it out
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = screen ? CreateDIBSection(screen, (BITMAPINFO*)&header, DIB_RGB_COLORS, &bits, nullptr, 0)
                            : nullptr;
    if (screen) ReleaseDC(nullptr, screen);
    if (bitmap && !MakeAboutPicture(size, (uint32_t*)bits)) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

// Has the picture control show the picture for `dpi`: bitmap 102 at 96
// DPI, else the picture made at the scaled size, or, when that cannot be
// made, bitmap 102 after all. Returns the size of the picture shown.
AboutPictureSize ShowPictureFor(int32_t dpi)
{
    AboutPictureSize size = AboutPictureSizeAt(dpi);
    HBITMAP shown = IsResourcePictureSize(size) ? nullptr : MakeScaledPicture(size);
    if (!shown) size = AboutPictureSizeAt(kAboutPictureDpi);
    SendMessageA(aboutState.picture, STM_SETIMAGE, IMAGE_BITMAP,
                 (LPARAM)(shown ? shown : aboutState.resourcePicture));
    if (aboutState.scaledPicture) DeleteObject(aboutState.scaledPicture);
    aboutState.scaledPicture = shown;
    return size;
}

// Sizes the box so that its client area is `size`, keeping the frame that
// the system gives it; at `topLeft` when given, else where it is.
void SizeClientArea(HWND box, AboutPictureSize size, const POINT* topLeft)
{
    // A second round in case the frame changed with the size.
    for (int round = 0; round < 2; ++round) {
        RECT window, client;
        GetWindowRect(box, &window);
        GetClientRect(box, &client);
        if (client.right == size.width && client.bottom == size.height && !topLeft) return;
        const int frameWidth = (window.right - window.left) - client.right;
        const int frameHeight = (window.bottom - window.top) - client.bottom;
        SetWindowPos(box, nullptr, topLeft ? topLeft->x : 0, topLeft ? topLeft->y : 0, size.width + frameWidth,
                     size.height + frameHeight, SWP_NOZORDER | SWP_NOACTIVATE | (topLeft ? 0 : SWP_NOMOVE));
        topLeft = nullptr;
    }
}

// The work area of the box's monitor, or of the screen where the system
// cannot tell monitors apart (Windows 95, NT 4).
bool BoxWorkArea(HWND box, RECT* area)
{
    HMODULE user32 = GetModuleHandleA("USER32.DLL");
    MonitorFromWindowProc monitorFromWindow = FindProc<MonitorFromWindowProc>(user32, "MonitorFromWindow");
    GetMonitorInfoProc monitorInfo = FindProc<GetMonitorInfoProc>(user32, "GetMonitorInfoA");
    if (monitorFromWindow && monitorInfo) {
        MONITORINFO info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        HMONITOR monitor = monitorFromWindow(box, MONITOR_DEFAULTTONEAREST);
        if (monitor && monitorInfo(monitor, &info)) {
            *area = info.rcWork;
            return true;
        }
    }
    return SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0) != FALSE;
}

// The dialog manager keeps a new box inside the work area at its
// template's size; the box grown to its picture is kept there too, its
// top left first.
void KeepOnWorkArea(HWND box)
{
    RECT area, window;
    if (!BoxWorkArea(box, &area) || !GetWindowRect(box, &window)) return;
    LONG x = window.left, y = window.top;
    if (window.right > area.right) x -= window.right - area.right;
    if (window.bottom > area.bottom) y -= window.bottom - area.bottom;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    if (x != window.left || y != window.top)
        SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The box holds its whole picture at the box's scale, edge to edge,
// whatever size the dialog font gave it.
void FitAboutBox(HWND box, const POINT* topLeft)
{
    if (!aboutState.picture) return;
    AboutPictureSize size = ShowPictureFor(aboutState.dpi);
    SetWindowPos(aboutState.picture, nullptr, 0, 0, size.width, size.height, SWP_NOZORDER | SWP_NOACTIVATE);
    SizeClientArea(box, size, topLeft);
}

void StartAboutBox(HWND box)
{
    aboutState.picture = GetWindow(box, GW_CHILD);
    aboutState.resourcePicture =
        aboutState.picture ? (HBITMAP)SendMessageA(aboutState.picture, STM_GETIMAGE, IMAGE_BITMAP, 0) : nullptr;
    aboutState.scaledPicture = nullptr;
    aboutState.dpi = BoxDpi(box);
    aboutState.moveToSuggested = false;
    FitAboutBox(box, nullptr);
    KeepOnWorkArea(box);
}

// WM_DPICHANGED: the new scale, and the top left that the system suggests.
void NoteDpiChange(HWND box, WPARAM wParam, LPARAM lParam)
{
    aboutState.dpi = LOWORD(wParam);
    const RECT* suggested = (const RECT*)lParam;
    aboutState.moveToSuggested = suggested != nullptr;
    if (suggested) aboutState.suggestedTopLeft = {suggested->left, suggested->top};
    PostMessageA(box, kFitAgain, 0, 0);
}

void FitAgain(HWND box)
{
    const bool move = aboutState.moveToSuggested;
    aboutState.moveToSuggested = false;
    FitAboutBox(box, move ? &aboutState.suggestedTopLeft : nullptr);
}

// The control gets bitmap 102 back, as it had it, and the picture made
// here is deleted.
void ReleaseAboutPictures(void)
{
    if (aboutState.scaledPicture) {
        if (aboutState.picture)
            SendMessageA(aboutState.picture, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)aboutState.resourcePicture);
        DeleteObject(aboutState.scaledPicture);
        aboutState.scaledPicture = nullptr;
    }
    aboutState.picture = nullptr;
    aboutState.resourcePicture = nullptr;
}

}  // namespace

BOOL RegisterAboutClasses(HINSTANCE instance)
{
    (void)instance;
    return TRUE;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        // The browser first: it comes up while the picture is made.
        OpenWebPage(kAuthorsPage);
        StartAboutBox(dialog);
        break;
    case kDpiChanged:
        NoteDpiChange(dialog, wParam, lParam);
        break;
    case kFitAgain:
        FitAgain(dialog);
        break;
    case WM_DESTROY:
        ReleaseAboutPictures();
        break;
    case WM_CLOSE:
    case WM_LBUTTONDOWN:
        EndDialog(dialog, 0);
        break;
    }
    return FALSE;
}

// RegQueryValueA for the key's default value, in ReadWholeValue's terms.
static int32_t ReadDefaultValue(void* key, char* buffer, uint32_t* size)
{
    if (*size > (uint32_t)LONG_MAX) return ERROR_NOT_ENOUGH_MEMORY;
    LONG bytes = (LONG)*size;
    LONG result = RegQueryValueA((HKEY)key, nullptr, buffer, &bytes);
    *size = bytes > 0 ? (uint32_t)bytes : 0;
    return (int32_t)result;
}

static void StartBrowser(const char* value, uint32_t valueSize, const char* address)
{
    size_t needed = ComposeBrowserCommand(value, valueSize, address, nullptr, 0);
    if (needed == 0) return;
    char* command = new (std::nothrow) char[needed];
    if (!command) return;
    ComposeBrowserCommand(value, valueSize, address, command, needed);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    // The browser is not waited for; its handles are let go at once.
    if (CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    delete[] command;
}

void OpenWebPage(const char* address)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, "file\\shell\\open\\command", &key) != ERROR_SUCCESS) return;
    uint32_t valueSize = 0;
    char* value = ReadWholeValue(ReadDefaultValue, key, &valueSize);
    if (value) {
        StartBrowser(value, valueSize, address);
        delete[] value;
    }
    RegCloseKey(key);
}
