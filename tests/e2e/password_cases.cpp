// The password services on the Windows 9x family, seen from outside: a
// PASSWORD.CPL of our own beside the saver counts the prompts and gives the
// answers, an MPR.DLL of our own records the change of password, and the
// screen-saver-running flag is read from the probe's process.
#include <cstring>

#include "tests/e2e/doubles.h"
#include "tests/e2e/probe.h"

namespace {

const char kDesktop[] = "Control Panel\\Desktop";
const char kUsePassword[] = "ScreenSaveUsePassword";
const char kPrompt[] = "VerifyScreenSavePwd";

std::string saver;  // a copy of the saver with PASSWORD.CPL and MPR.DLL beside it

void SetUsePassword(DWORD type, const void* bytes, DWORD size)
{
    SetRegistryValue(HKEY_CURRENT_USER, kDesktop, kUsePassword, type, bytes, size);
}

void SetUsePasswordNumber(DWORD number)
{
    SetUsePassword(REG_DWORD, &number, sizeof number);
}

// The log line of prompt `call` (1 for the first), or "".
std::string PromptLine(int call)
{
    int seen = 0;
    for (const std::string& line : DoubleLogLines())
        if (line.compare(0, strlen(kPrompt), kPrompt) == 0 && ++seen == call) return line;
    return "";
}

bool Holds(const std::string& line, const char* part)
{
    return line.find(part) != std::string::npos;
}

// Pointer positions for the movement rule: each step travels 40 pixels.
int pointerX = 300;

void ParkPointer(void)
{
    pointerX = 300;
    PlacePointer(pointerX, 300);
}

void MovePointer(void)
{
    pointerX += 40;
    XDo(Format("mousemove %d 300", pointerX));
}

// Starts the full-screen saver with the pointer parked; null window when it
// did not come up.
HWND StartFullScreen(SaverRun* run, const std::string& what)
{
    ParkPointer();
    if (!Check(StartProgram(run, saver, "\"" + saver + "\" /s"), what + ": starts")) return nullptr;
    HWND window = WaitForFullScreenWindow(run);
    Check(window != nullptr, what + ": full-screen window");
    Pump(300);
    return window;
}

// The prompt refuses once, keeps the saver with its cursor hidden, and lets
// it go the next time; the flag is up exactly while the verifier is held.
void PromptRefusesThenAccepts(DWORD type, const void* value, DWORD size, const std::string& what)
{
    StartDoubleLog("password");
    SetUsePassword(type, value, size);
    SetEnvironmentVariableA("ONDULITE_TEST_ANSWERS", "01");
    ClearScreenSaverRunningFlag();
    SaverRun run;
    HWND window = StartFullScreen(&run, what);
    if (window) {
        Check(CountDoubleLog("password loaded") == 1, what + ": PASSWORD.CPL loaded once");
        Check(ScreenSaverRunningFlag(), what + ": screen-saver-running flag raised");
        MovePointer();
        Check(WaitUntil([] { return CountDoubleLog(kPrompt) == 1; }, 5000), what + ": input brings the prompt");
        Pump(500);
        Check(IsRunning(&run) && IsWindow(window), what + ": answer 0 keeps the saver running");
        Check(CountDoubleLog(kPrompt) == 1, what + ": one prompt for one close request");
        Check(CountDoubleLog("after refusal cursor=hidden") == 1, what + ": cursor hidden again after the refusal");
        Check(Holds(PromptLine(1), "running=1"), what + ": flag up while the prompt is shown");
        MovePointer();
        Check(WaitUntil([] { return CountDoubleLog(kPrompt) == 2; }, 5000), what + ": later input prompts again");
        Check(Holds(PromptLine(2), "cursor=hidden"), what + ": cursor still hidden at the next prompt");
        Check(Holds(PromptLine(2), "window=Screen Saver"), what + ": prompt owned by the saver window");
    }
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": answer 1 ends the saver with 0 (got 0x%lX)", code));
    Check(!ScreenSaverRunningFlag(), what + ": screen-saver-running flag lowered at the end");
    Check(CountDoubleLog(kPrompt) == 2, what + Format(": %d prompts in all", CountDoubleLog(kPrompt)));
    EndRun(&run);
}

// Close requests while the prompt is up, and right after it, are refused
// without another prompt; one 200 ms later prompts.
void NoPromptWithinPause(void)
{
    const std::string what = "close requests during and right after a prompt";
    StartDoubleLog("password-pause");
    SetUsePasswordNumber(1);
    SetEnvironmentVariableA("ONDULITE_TEST_ANSWERS", "01");
    SetEnvironmentVariableA("ONDULITE_TEST_CLOSE_DURING_PROMPT", "1");
    SaverRun run;
    HWND window = StartFullScreen(&run, what);
    if (window) {
        MovePointer();
        WaitUntil([] { return CountDoubleLog(kPrompt) >= 1; }, 5000);
        Pump(1000);
        Check(CountDoubleLog(kPrompt) == 1 && IsRunning(&run),
              what + Format(": refused silently (%d prompts)", CountDoubleLog(kPrompt)));
        MovePointer();
        Check(WaitUntil([] { return CountDoubleLog(kPrompt) == 2; }, 5000), what + ": later input prompts");
    }
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": ends with 0 once accepted (got 0x%lX)", code));
    SetEnvironmentVariableA("ONDULITE_TEST_CLOSE_DURING_PROMPT", nullptr);
    EndRun(&run);
}

// The first counted input ends the saver, with no prompt.
void EndsWithoutPrompt(const std::string& what, bool libraryMayLoad)
{
    StartDoubleLog("password-none");
    SetEnvironmentVariableA("ONDULITE_TEST_ANSWERS", "0");
    ClearScreenSaverRunningFlag();
    SaverRun run;
    if (StartFullScreen(&run, what)) {
        Check(!ScreenSaverRunningFlag(), what + ": screen-saver-running flag left down");
        MovePointer();
    }
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": first input ends the saver with 0 (got 0x%lX)", code));
    Check(CountDoubleLog(kPrompt) == 0, what + ": no prompt");
    if (!libraryMayLoad) Check(CountDoubleLog("password loaded") == 0, what + ": PASSWORD.CPL never loaded");
    EndRun(&run);
}

// The change-password mode: `overrideMpr` makes Wine load our MPR.DLL.
void ChangePasswordCase(const std::string& arguments, bool overrideMpr, DWORD expected, bool expectCall,
                        HWND parent, const std::string& what)
{
    StartDoubleLog("change-password");
    PreferNativeMpr(overrideMpr);
    SaverRun run;
    bool started = StartProgram(&run, saver, "\"" + saver + "\" " + arguments);
    if (!Check(started, what + ": starts")) return;
    DWORD code = WaitForExit(&run, 5000);
    Check(code == expected, what + Format(": exit code 0x%lX (expected 0x%lX)", code, expected));
    std::vector<std::string> lines = DoubleLogLines();
    if (!expectCall) {
        Check(CountDoubleLog("PwdChangePasswordA") == 0, what + ": our MPR.DLL not called");
    } else if (Check(lines.size() == 1, what + Format(": one call of PwdChangePasswordA (%zu)", lines.size()))) {
        unsigned long given = 0, foreground = 0, first = 9, second = 9;
        char provider[32] = "";
        int read = std::sscanf(lines[0].c_str(), "PwdChangePasswordA %31s parent=%lu foreground=%lu %lu %lu",
                               provider, &given, &foreground, &first, &second);
        Check(read == 5 && strcmp(provider, "SCRSAVE") == 0 && first == 0 && second == 0,
              what + ": called with \"SCRSAVE\", 0, 0 (" + lines[0] + ")");
        unsigned long expectedParent = parent ? (unsigned long)(uintptr_t)parent : foreground;
        Check(given == expectedParent, what + Format(": parent %lu (expected %lu)", given, expectedParent));
    }
    EndRun(&run);
}

}  // namespace

void RunPasswordCases(void)
{
    saver = SaverWithDoubles("password", {"PASSWORD.CPL", "MPR.DLL"});
    if (!Check(!saver.empty(), "saver copied beside the test doubles")) return;

    ReportWindows9x(true);
    const DWORD one = 1;
    PromptRefusesThenAccepts(REG_DWORD, &one, sizeof one, "9x, ScreenSaveUsePassword 1");
    const BYTE shortValue[1] = {1};
    PromptRefusesThenAccepts(REG_BINARY, shortValue, sizeof shortValue, "9x, ScreenSaveUsePassword of 1 byte");
    NoPromptWithinPause();

    SetUsePasswordNumber(0);
    EndsWithoutPrompt("9x, ScreenSaveUsePassword 0", false);
    SetUsePassword(REG_DWORD, nullptr, 0);
    EndsWithoutPrompt("9x, no ScreenSaveUsePassword", false);
    const BYTE fiveBytes[5] = {1, 0, 0, 0, 0};
    SetUsePassword(REG_BINARY, fiveBytes, sizeof fiveBytes);
    EndsWithoutPrompt("9x, ScreenSaveUsePassword of 5 bytes", false);

    HWND parent = MakeProbeWindow(200, 100, 50, 50, true);
    SetForegroundWindow(parent);
    ChangePasswordCase(Format("/a %lu", (unsigned long)(uintptr_t)parent), true, 0, true, parent,
                       "9x, /a with a parent and our MPR.DLL");
    ChangePasswordCase("/a", true, 0, true, nullptr, "9x, /a without a parent, our MPR.DLL");
    ChangePasswordCase("/a", false, 0, false, nullptr, "9x, /a with Wine's own MPR.DLL");

    // The same on 95, and on NT 4, which has neither service.
    ReportWindowsVersion("win95");
    SetUsePasswordNumber(1);
    PromptRefusesThenAccepts(REG_DWORD, &one, sizeof one, "95, ScreenSaveUsePassword 1");
    ChangePasswordCase("/a", true, 0, true, nullptr, "95, /a without a parent, our MPR.DLL");
    ReportWindowsVersion("nt40");
    EndsWithoutPrompt("NT 4, ScreenSaveUsePassword 1", false);
    ChangePasswordCase("/a", true, kRefused, false, nullptr, "NT 4, /a with our MPR.DLL");

    ReportWindows9x(false);
    SetUsePasswordNumber(1);
    EndsWithoutPrompt("NT, ScreenSaveUsePassword 1", false);
    ChangePasswordCase(Format("/a %lu", (unsigned long)(uintptr_t)parent), true, kRefused, false, nullptr,
                       "NT, /a with our MPR.DLL");
    DestroyWindow(parent);
    PreferNativeMpr(false);
    SetUsePassword(REG_DWORD, nullptr, 0);
    SetEnvironmentVariableA("ONDULITE_TEST_ANSWERS", nullptr);
}
