// The command line's mode table and its edge cases, seen from outside:
// which window a command line makes and the process's full exit code.
#include "tests/e2e/probe.h"

namespace {

const char kSaverClass[] = "WindowsScreenSaverClass";

// A refused window says why, in a box that waits for a click: names it and
// clicks it away.
void ReportMemoryMessage(const SaverRun& run, const std::string& what)
{
    HWND box = FindMemoryMessage(run.id);
    if (!box) return;
    Check(false, what + ": shows \"Not enought memory.\"");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// Starts the saver, expects the full-screen window, closes it with a close
// request and expects exit code 0.
void ExpectFullScreen(const std::string& program, const std::string& commandLine, const std::string& what)
{
    SaverRun run;
    if (!StartProgram(&run, program, commandLine)) {
        Check(false, what + ": starts");
        return;
    }
    HWND window = WaitForFullScreenWindow(&run);
    Check(window != nullptr, what + ": full-screen window");
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    if (!window) ReportMemoryMessage(run, what);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": ends with 0 (got 0x%lX)", code));
    EndRun(&run);
}

// Expects the process to end at once with `expected`, making no window.
void ExpectExit(const std::string& program, const std::string& commandLine, DWORD expected, const std::string& what)
{
    SaverRun run;
    if (!StartProgram(&run, program, commandLine)) {
        Check(false, what + ": starts");
        return;
    }
    DWORD code = WaitForExit(&run, 5000);
    Check(code == expected, what + Format(": exit code 0x%lX (expected 0x%lX)", code, expected));
    EndRun(&run);
}

// Expects a preview child inside `parent`, then destroys the parent and
// expects exit code 0.
void ExpectPreview(const std::string& program, const std::string& commandLine, HWND parent, const std::string& what)
{
    SaverRun run;
    if (!StartProgram(&run, program, commandLine)) {
        Check(false, what + ": starts");
        return;
    }
    HWND child = WaitForProcessWindow(run.id, kSaverClass, "Preview", 5000, parent);
    Check(child != nullptr && GetParent(child) == parent, what + ": preview inside the given parent");
    if (!child) ReportMemoryMessage(run, what);
    DestroyWindow(parent);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": ends with 0 when the parent goes (got 0x%lX)", code));
    EndRun(&run);
}

// Expects the configuration box owned by `owner` (null: no owner); closes
// it and expects exit code 0.
void ExpectConfigBox(const std::string& program, const std::string& commandLine, HWND owner,
                     const std::string& what)
{
    SaverRun run;
    if (!StartProgram(&run, program, commandLine)) {
        Check(false, what + ": starts");
        return;
    }
    HWND box = WaitForProcessWindow(run.id, "#32770", nullptr, 5000);
    if (Check(box != nullptr, what + ": configuration box shown")) {
        HWND actualOwner = GetWindow(box, GW_OWNER);
        Check(actualOwner == owner, what + Format(": owner %p (expected %p)", (void*)actualOwner, (void*)owner));
        Check(FindProcessWindow(run.id, kSaverClass, nullptr) == nullptr, what + ": no saver window");
        PostMessageA(box, WM_CLOSE, 0, 0);
    }
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": ends with 0 (got 0x%lX)", code));
    EndRun(&run);
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// A copy of the saver under another name, for a Windows version of its own
// (Wine's per-program setting) or a folder name with a space.
std::string CopySaver(const std::string& folder, const std::string& name)
{
    std::string directory = WindowsPath(probe.workDir + "/" + folder);
    CreateDirectoryA(directory.c_str(), nullptr);
    std::string copy = directory + "\\" + name;
    CopyFileA(probe.saver.c_str(), copy.c_str(), FALSE);
    return copy;
}

std::string HandleText(HWND window)
{
    return Format("%lu", (unsigned long)(uintptr_t)window);
}

// A handle that is no window: a freshly destroyed one.
HWND DeadWindow(void)
{
    HWND window = MakeProbeWindow(50, 50, 10, 10);
    DestroyWindow(window);
    return window;
}

}  // namespace

void RunModeCases(void)
{
    const std::string saver = probe.saver;
    const std::string quoted = Quoted(saver);

    // Full-screen saving in every spelling, and only the first letter counts.
    for (const char* arguments : {"/s", "-s", "s", "/S", "--//s", "/s /p 1234"})
        ExpectFullScreen(saver, quoted + " " + arguments, Format("\"%s\"", arguments));
    ExpectFullScreen(saver, saver + " /s", "unquoted program name");

    std::string spaced = CopySaver("with space", "ondulite.scr");
    ExpectFullScreen(spaced, Quoted(spaced) + " /s", "quoted program name with a space");
    ExpectFullScreen(spaced, Quoted(spaced) + "/s", "quoted program name right before /s");
    ExpectFullScreen(saver, quoted + "\t \t/s", "tabs and spaces after the program name");

    // Refused command lines end with 0xFFFFFFFF.
    for (const char* arguments : {"/\ts", "x", "/x", "9", "/?", "\xE9", "+s"})
        ExpectExit(saver, quoted + " " + arguments, kRefused, Format("refused \"%s\"", arguments));

    // Preview in every spelling, inside a parent of the probe.
    HWND parent = MakeProbeWindow(200, 150, 40, 40);
    ExpectPreview(saver, quoted + " /p " + HandleText(parent), parent, "\"/p <parent>\"");
    parent = MakeProbeWindow(200, 150, 40, 40);
    ExpectPreview(saver, quoted + " /p" + HandleText(parent), parent, "\"/p<parent>\"");
    parent = MakeProbeWindow(200, 150, 40, 40);
    ExpectPreview(saver, quoted + " /P   " + HandleText(parent), parent, "\"/P   <parent>\"");
    parent = MakeProbeWindow(200, 150, 40, 40);
    ExpectPreview(saver, quoted + " /l " + HandleText(parent), parent, "\"/l <parent>\"");
    parent = MakeProbeWindow(200, 150, 40, 40);
    ExpectPreview(saver, quoted + Format(" /p %llu", (unsigned long long)(uintptr_t)parent + 4294967296ull), parent,
                  "\"/p <parent + 2^32>\" (the number wraps)");

    // Preview handles that are not windows, or not read as one.
    parent = MakeProbeWindow(200, 150, 40, 40);
    ExpectExit(saver, quoted + " /p " + HandleText(DeadWindow()), kRefused, "preview of a handle that is no window");
    ExpectExit(saver, quoted + " /p", kRefused, "preview without a handle");
    ExpectExit(saver, quoted + " /p:" + HandleText(parent), kRefused, "\"/p:<parent>\" reads 0");
    ExpectExit(saver, quoted + Format(" /p 0x%lX", (unsigned long)(uintptr_t)parent), kRefused,
               "\"/p 0x<parent>\" reads 0");
    ExpectExit(saver, quoted + " /p\t" + HandleText(parent), kRefused, "a tab before the handle is not skipped");
    Check(FindProcessWindow(0, kSaverClass, nullptr, parent) == nullptr, "refused previews made no window");
    DestroyWindow(parent);

    // Configuration: no owner without options, the foreground window with C.
    ExpectConfigBox(saver, quoted, nullptr, "program name only");
    ExpectConfigBox(saver, quoted + "   ", nullptr, "program name and blanks");
    HWND foreground = MakeProbeWindow(200, 150, 300, 40);
    SetForegroundWindow(foreground);
    Pump(100);
    ExpectConfigBox(saver, quoted + " /c:1234", foreground, "\"/c:1234\"");
    ExpectConfigBox(saver, quoted + " -C", foreground, "\"-C\"");

    // Change of password: refused outside the Windows 9x family.
    ExpectExit(saver, quoted + " /a", kRefused, "\"/a\" on the NT family");
    ExpectExit(saver, quoted + " /a " + HandleText(foreground), kRefused, "\"/a <window>\" on the NT family");

    // The same program seen as Windows 98: the password change runs.
    std::string old = CopySaver("win98", "ondulite9x.scr");
    ClaimWindowsVersion("ondulite9x.scr", "win98");
    ExpectExit(old, Quoted(old) + " /a", 0, "\"/a\" on the 9x family");
    ExpectExit(old, Quoted(old) + " /a " + HandleText(foreground), 0, "\"/a <window>\" on the 9x family");
    ExpectExit(old, Quoted(old) + " /a " + HandleText(DeadWindow()), 0, "\"/a <no window>\" on the 9x family");
    ExpectFullScreen(old, Quoted(old) + " /s", "\"/s\" on the 9x family");
    ExpectExit(old, Quoted(old) + " /x", kRefused, "refused \"/x\" on the 9x family");

    // Every mode on each system the saver was first made for (98's password
    // change and refusal are above too).
    DestroyWindow(foreground);
    for (const char* system : {"win95", "win98", "winme", "nt40"}) RunModeCasesOn(system);
}

void RunModeCasesOn(const char* system)
{
    HWND foreground = MakeProbeWindow(200, 150, 300, 40);
    SetForegroundWindow(foreground);
    Pump(100);
    const std::string name = std::string("ondulite-") + system + ".scr";
    const std::string copy = CopySaver("old", name);
    const std::string quotedCopy = Quoted(copy);
    const std::string on = std::string(" on ") + system;
    const std::string lower = system;
    const bool windows9x = lower == "win95" || lower == "win98" || lower == "winme";
    ClaimWindowsVersion(name, system);
    ExpectFullScreen(copy, quotedCopy + " /s", "\"/s\"" + on);
    HWND parent = MakeProbeWindow(200, 150, 40, 40);
    ExpectPreview(copy, quotedCopy + " /p " + HandleText(parent), parent, "\"/p <parent>\"" + on);
    ExpectConfigBox(copy, quotedCopy + " /c", foreground, "\"/c\"" + on);
    ExpectConfigBox(copy, quotedCopy, nullptr, "program name only" + on);
    ExpectExit(copy, quotedCopy + " /a", windows9x ? 0 : kRefused, "\"/a\"" + on);
    ExpectExit(copy, quotedCopy + " /x", kRefused, "refused \"/x\"" + on);
    ExpectExit(copy, quotedCopy + " /p " + HandleText(DeadWindow()), kRefused, "preview of no window" + on);
    ExpectExit(copy, quotedCopy + " /p", kRefused, "preview without a handle" + on);
    DestroyWindow(foreground);
}
