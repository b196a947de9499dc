// What ends the full-screen saver and what does not, through real input
// from the X server. Which message does what is the stages' decision,
// tested natively as a table (tests/dismissal_rules_test.cpp); these cases
// show that real input reaches a real window as those messages.
#include "tests/e2e/probe.h"

namespace {

struct Launch {
    SaverRun run;
    HWND window = nullptr;
    int x = 0;  // where the pointer stood at the start
    int y = 0;
};

// Puts the pointer at a spot of its own, then starts the saver there.
bool StartAt(Launch* launch, int x, int y, const std::string& what)
{
    launch->x = x;
    launch->y = y;
    PlacePointer(x, y);
    if (!StartSaver(&launch->run, "/s")) return Check(false, what + ": starts");
    launch->window = WaitForFullScreenWindow(&launch->run);
    if (!Check(launch->window != nullptr, what + ": full-screen window")) return false;
    if (!Check(WaitUntilUnderPointer(launch->window), what + ": on the X screen under the pointer")) return false;
    // Keys go to the foreground window, which the saver becomes just after
    // its window is shown.
    return Check(WaitUntil([&] { return GetForegroundWindow() == launch->window; }, 3000),
                 what + ": in the foreground");
}

bool Runs(Launch* launch, DWORD ms)
{
    return WaitForExit(&launch->run, ms) == kStillRunning;
}

void ExpectEnded(Launch* launch, const std::string& what)
{
    DWORD code = WaitForExit(&launch->run, 10000);
    Check(code == 0, what + Format(" ends it with 0 (got 0x%lX)", code));
    EndRun(&launch->run);
}

void MovementCases(void)
{
    Launch launch;
    if (StartAt(&launch, 300, 200, "movement")) {
        Check(Runs(&launch, 600), "the pointer at rest ends nothing after the start");
        PostMessageA(launch.window, WM_MOUSEMOVE, 0, MAKELPARAM(700, 500));
        Check(Runs(&launch, 300), "a WM_MOUSEMOVE while the pointer stays put ends nothing");
        XDo("mousemove 304 200");
        Check(Runs(&launch, 400), "4 pixels to the right keep it");
        XDo("mousemove 302 202");
        Check(Runs(&launch, 400), "2 right and 2 down keep it");
        XDo("mousemove 303 202");
        ExpectEnded(&launch, "3 right and 2 down");
    }

    if (StartAt(&launch, 500, 350, "one-pixel steps")) {
        bool kept = true;
        for (int step = 1; step <= 4; ++step) {
            XDo(Format("mousemove %d 350", 500 - step));
            kept = kept && Runs(&launch, 250);
        }
        Check(kept, "one-pixel steps keep it up to 4 pixels in all");
        XDo("mousemove 495 350");
        ExpectEnded(&launch, "the fifth one-pixel step");
    }
}

void InputCases(void)
{
    Launch launch;
    if (StartAt(&launch, 400, 300, "key")) {
        XDo("key a");
        ExpectEnded(&launch, "a key press");
    }
    if (StartAt(&launch, 400, 300, "system key")) {
        XDo("keydown alt");
        ExpectEnded(&launch, "a system key (Alt)");
        XDo("keyup alt");
    }
    for (int button = 1; button <= 3; ++button) {
        if (StartAt(&launch, 400, 300, Format("button %d", button))) {
            XDo(Format("click %d", button));
            ExpectEnded(&launch, Format("mouse button %d", button));
        }
    }
    if (StartAt(&launch, 400, 300, "activation")) {
        HWND other = MakeProbeWindow(100, 80, 20, 20, false);
        ShowWindow(other, SW_SHOW);
        SetForegroundWindow(other);
        ExpectEnded(&launch, "another application taking the foreground");
        DestroyWindow(other);
    }
}

void InputsThatEndNothing(void)
{
    Launch launch;
    if (!StartAt(&launch, 400, 300, "unnamed input")) return;
    XDo("click 4");
    XDo("click 5");
    XDo("click 6");
    XDo("click 7");
    XDo("keyup b");
    Check(Runs(&launch, 500), "the wheel and a key release end nothing");

    // The window was listening all along: a key ends it.
    XDo("key k");
    ExpectEnded(&launch, "a key press after them");
}

void NoGraceTime(void)
{
    PlacePointer(400, 300);
    SaverRun run;
    if (!StartSaver(&run, "/s")) return;
    HWND window = WaitForFullScreenWindow(&run);
    // As soon as X can deliver a click to the window at all.
    if (window && Check(WaitUntilUnderPointer(window), "right after the start: on the X screen under the pointer"))
        XDo("click 1");
    DWORD code = WaitForExit(&run, 10000);
    Check(window && code == 0, Format("a click right after the start ends it with 0 (got 0x%lX)", code));
    EndRun(&run);
}

// GetCursorPos fails on NT 5 and later while the input desktop is not the
// saver's; the checker makes it fail, leaving a different far-off point
// each time. A failed reading counts no travel: the saver neither ends on a
// made-up position nor loses the real movement once readings work again.
void CursorFailureCases(void)
{
    SetEnvironmentVariableA("ONDULITE_CHECKER_CURSOR", "first");
    Launch launch;
    if (StartAt(&launch, 400, 300, "GetCursorPos failing at the start")) {
        XDo("mousemove 401 301");
        Check(Runs(&launch, 500), "GetCursorPos failing at the start: a 2-pixel move keeps the saver");
        XDo("mousemove 420 301");
        ExpectEnded(&launch, "GetCursorPos failing at the start: 20 pixels more");
    }
    SetEnvironmentVariableA("ONDULITE_CHECKER_CURSOR", "all");
    if (StartAt(&launch, 400, 300, "GetCursorPos always failing")) {
        XDo("mousemove 401 300");
        XDo("mousemove 440 330");
        Check(Runs(&launch, 500), "GetCursorPos always failing: no travel is counted, the saver stays");
        XDo("key space");
        ExpectEnded(&launch, "GetCursorPos always failing: a key");
    }
    SetEnvironmentVariableA("ONDULITE_CHECKER_CURSOR", nullptr);
}

}  // namespace

void RunDismissalCases(void)
{
    MovementCases();
    InputCases();
    InputsThatEndNothing();
    NoGraceTime();
    CursorFailureCases();
}
