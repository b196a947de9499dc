// The end-to-end probe: drives the real ondulite.scr under Wine from
// outside, the way the desktop and a user would. It starts the saver with a
// command line and reads its full 32-bit exit code, makes parent windows
// for the preview, inspects the saver's windows, moves the X pointer and
// presses keys and buttons through xdotool, and takes screenshots of the X
// screen with ImageMagick. Unix programs are started through Wine, which
// does not wait for them, so each one leaves a marker file when done.
//
// Every wait here keeps serving the probe's own windows: the saver's
// preview sends messages to its parent, and a probe that stopped pumping
// would hold the saver up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ProbeConfig {
    std::string saver;       // Windows path of ondulite.scr
    std::string saverUnix;   // the same as a Unix path
    std::string workDir;     // Unix path of a scratch folder
    std::string renderTool;  // Unix path of the native ondulite-render
    int screenWidth;
    int screenHeight;
};

extern ProbeConfig probe;

// Windows path (Z: drive) of a Unix path.
std::string WindowsPath(const std::string& unixPath);

// Prints "ok: what" or "FAIL: what" and counts failures.
bool Check(bool passed, const std::string& what);
int FailureCount(void);
std::string Format(const char* format, ...);
// The lines of a text file (Windows path), without their line ends; none
// when it cannot be read.
std::vector<std::string> FileLines(const std::string& windowsPath);

// A limit of `ms` milliseconds for something that must happen, scaled for a
// slow machine: ONDULITE_TIME_SCALE times as long (an emulated processor
// runs Wine many times slower). WaitUntil, WaitForExit and RunUnix scale
// their limits themselves.
DWORD Scaled(DWORD ms);

// Waits `ms` milliseconds while dispatching the probe's messages.
void Pump(DWORD ms);
// Pumps until `condition` holds or `timeoutMs` runs out; returns the condition.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

struct SaverRun {
    HANDLE process = nullptr;
    DWORD id = 0;
    std::string checkerLog;  // Windows path of the checker's log; empty when not checked
};

constexpr DWORD kStillRunning = STILL_ACTIVE;
constexpr uint32_t kRefused = 0xFFFFFFFFu;

// Starts `program` (default: the saver under test) with the command line
// `"program" arguments`, or with `commandLine` exactly when given. A saver
// (a .scr) for which the probe claimed Windows 95, 98, Me or NT 4, or that
// starts while a checker condition (ONDULITE_CHECKER_CLOCK,
// ONDULITE_CHECKER_CURSOR, ONDULITE_CHECKER_PAINTS) is set, runs under the checker
// (tests/e2e/checker.h), unless ONDULITE_NO_CHECKER is set.
bool StartSaver(SaverRun* run, const std::string& arguments);
bool StartProgram(SaverRun* run, const std::string& program, const std::string& commandLine);

// Has Wine claim the Windows `version` ("win95", "win98", "winme", "nt40",
// "win10", ...; null for Wine's own) for programs of the file name
// `fileName` (AppDefaults), and remembers it for StartProgram.
void ClaimWindowsVersion(const std::string& fileName, const char* version);

// The exit code once the process has ended within `timeoutMs`, else
// kStillRunning.
DWORD WaitForExit(SaverRun* run, DWORD timeoutMs);
bool IsRunning(SaverRun* run);

// Ends a run that a case left behind (close request, then force) and
// releases its handles. For a run under the checker it then prints the
// checker's log and checks that the checker was in place and found no
// call that the claimed system refuses and no function without a rule.
void EndRun(SaverRun* run);

// The message box "Not enought memory." of process `processId` (any when
// 0), or null.
HWND FindMemoryMessage(DWORD processId = 0);

// Top-level (or, with `parent`, child) windows of a process by class and
// title; null strings match anything.
HWND FindProcessWindow(DWORD processId, const char* className, const char* title, HWND parent = nullptr);
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs,
                          HWND parent = nullptr);
HWND WaitForFullScreenWindow(SaverRun* run, DWORD timeoutMs = 8000);
int CountTopLevelWindows(const char* className, const char* title);
std::string WindowClass(HWND window);
std::string WindowTitle(HWND window);

// A plain top-level window of the probe whose client area is `clientWidth` x
// `clientHeight`, shown and activated unless `show` is false; it records the
// messages the tests look for.
HWND MakeProbeWindow(int clientWidth, int clientHeight, int x, int y, bool show = true);
struct ProbeWindowLog {
    int contextMenus = 0;
    WPARAM contextMenuWParam = 0;
    LPARAM contextMenuLParam = 0;
};
extern ProbeWindowLog probeWindowLog;

// Starts a shell command on the Unix side; returns the path of the marker
// file that will hold its exit status (empty when it cannot start).
std::string StartUnix(const std::string& shellCommand);
// True once the command has ended, with its exit status in `status`.
bool UnixFinished(const std::string& marker, int* status);
// Runs a shell command on the Unix side and waits for it; true when it
// exited with 0.
bool RunUnix(const std::string& shellCommand, DWORD timeoutMs = 20000);
// A number about the newest saver process of the probe's Wine prefix, as
// the Unix side sees it: the shell `command` runs with $p set to that
// process's id and prints one whole number. -1 when it cannot be read.
long SaverProcessNumber(const std::string& command);

// The whole number that the shell `command` prints; -1 when it fails or
// prints none.
long UnixNumber(const std::string& command);
// xdotool with these arguments, on the probe's X display.
bool XDo(const std::string& arguments);
// Puts the X pointer at `x`, `y` before a program starts there. Wine keeps
// a pointer position of its own, learnt from X events over its windows,
// and a program that asks within 100 ms of the last such event gets that
// one: a saver started right after another one ended would take the old
// saver's last position for its reference. Wine is told the new one too.
void PlacePointer(int x, int y);
// Waits until the X server shows `window` (a top-level window of any Wine
// process) under the pointer: Wine maps a window's X window a moment after
// the window exists for Win32, and X input before that goes to whatever
// lay there. False when it did not within `timeoutMs`.
bool WaitUntilUnderPointer(HWND window, DWORD timeoutMs = 5000);

// 8-bit RGB image, top line first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

bool ReadPpm(const std::string& unixPath, Image* image);
bool TakeScreenshot(Image* image, const std::string& unixPath);
// Fraction of pixels that are equal in two images of the same size; 0 for
// different sizes.
double EqualFraction(const Image& a, const Image& b);
bool IsBlack(const Image& image);
// Pictures 1 to `count` of a worker seeded with `seed`, at a window size.
bool RenderPictures(uint32_t seed, int width, int height, int count, std::vector<Image>* pictures);

// Starts the saver with `arguments`, waits for its window of class
// WindowsScreenSaverClass titled `title`, and checks that the screen shows
// the first two pictures of its seed at the screen's size, whole and in
// turn, about a second apart; `what` names the checks. The seed is the
// calendar second at the start, `clockAhead` seconds ahead of the probe's
// clock (where the checker runs the saver's clock ahead), modulo 2^32.
void CheckPictures(const std::string& arguments, const char* title, const std::string& what, int64_t clockAhead = 0);

// A real preview, /p <window>, in a window of the probe's own: the
// pictures that it paints there are the seed's (recorded by the checker).
void CheckPreviewPaints(const std::string& what);

// The part of `image` at `x`, `y` of `width` x `height` (zero outside it).
Image CropImage(const Image& image, int x, int y, int width, int height);

// Case groups; each returns when done, failures counted by Check.
void RunModeCases(void);
// Every mode and its exit code, and bad command lines, for a copy of the
// saver that Wine shows `system` ("win95", "nt40", ...).
void RunModeCasesOn(const char* system);
void RunWindowCases(void);
void RunDismissalCases(void);
void RunPictureCases(void);
// The preview's pictures, with the desktop window and a window of the
// probe as parents (a part of RunPictureCases).
void RunPreviewCases(void);
void RunRobustnessCases(void);
void RunSoak(int seconds);
void RunMemoryFailureCases(void);
void RunPasswordCases(void);
void RunAboutCases(void);
// The about box's resources, its picture and its browser command (the
// first part of RunAboutCases).
void RunAboutBrowserCases(void);
// The about box on a screen of `dpi` (set by the caller) under the prefix's
// own dialog font and two stand-ins of the suite's own.
void RunAboutBoxAtDpi(DWORD dpi);
void RunMonitorCases(void);
void RunPaceCases(void);
void RunDpiCases(void);
void RunResourceCases(const std::string& otherSaverUnix);
void RunPowerCases(void);
// One system from end to end (tools/test-win32.sh): every mode and exit
// code, the full-screen pictures and the dismissal rules, with the saver
// shown `system`; under the checker for the old systems.
void RunSystemCases(const char* system);
// `count` full-screen starts with the saver shown `system`: each must show
// a picture and end with 0 on a close request.
void RunRepeatedStarts(const char* system, int count);
