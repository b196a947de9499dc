#include "tests/e2e/probe.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "tests/e2e/doubles.h"
#include "tests/e2e/injection.h"

ProbeConfig probe;
ProbeWindowLog probeWindowLog;

static int failures = 0;

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool Check(bool passed, const std::string& what)
{
    std::printf("%s: %s\n", passed ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!passed) ++failures;
    return passed;
}

int FailureCount(void)
{
    return failures;
}

std::string Format(const char* format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

std::vector<std::string> FileLines(const std::string& windowsPath)
{
    std::vector<std::string> lines;
    FILE* file = std::fopen(windowsPath.c_str(), "rb");
    if (!file) return lines;
    std::string line;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        if (c != '\n') {
            line += (char)c;
            continue;
        }
        lines.push_back(line);
        line.clear();
    }
    std::fclose(file);
    return lines;
}

static void DispatchPending(void)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Pump(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        DispatchPending();
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

DWORD Scaled(DWORD ms)
{
    static DWORD scale = 0;
    if (scale == 0) {
        char value[16] = "";
        DWORD length = GetEnvironmentVariableA("ONDULITE_TIME_SCALE", value, sizeof value);
        scale = length > 0 && length < sizeof value ? (DWORD)std::strtoul(value, nullptr, 10) : 1;
        if (scale == 0) scale = 1;
    }
    return ms * scale;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    timeoutMs = Scaled(timeoutMs);
    DWORD start = GetTickCount();
    for (;;) {
        DispatchPending();
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

namespace {

std::map<std::string, std::string> claimedVersions;  // by lower-case file name

std::string LowerFileName(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    for (char& c : name) c = (char)std::tolower((unsigned char)c);
    return name;
}

bool EnvironmentHas(const char* variable)
{
    return GetEnvironmentVariableA(variable, nullptr, 0) > 0;
}

bool CheckerWanted(const std::string& program)
{
    const std::string name = LowerFileName(program);
    if (EnvironmentHas("ONDULITE_NO_CHECKER") || name.size() < 4 || name.compare(name.size() - 4, 4, ".scr") != 0)
        return false;
    auto claimed = claimedVersions.find(name);
    const std::string version = claimed == claimedVersions.end() ? "" : claimed->second;
    return version == "win95" || version == "win98" || version == "winme" || version == "nt40" ||
           EnvironmentHas("ONDULITE_CHECKER_CLOCK") || EnvironmentHas("ONDULITE_CHECKER_CURSOR") ||
           EnvironmentHas("ONDULITE_CHECKER_PAINTS");
}

bool StartChecked(SaverRun* run, const std::string& program, const std::string& commandLine)
{
    static int serial = 0;
    run->checkerLog = WindowsPath(probe.workDir + Format("/checker-%lu-%d.log", GetCurrentProcessId(), ++serial));
    DeleteFileA(run->checkerLog.c_str());
    // Inherited by the saver, where the checker reads it.
    SetEnvironmentVariableA("ONDULITE_CHECKER_LOG", run->checkerLog.c_str());
    PROCESS_INFORMATION info;
    std::string error;
    bool started = StartWithDll(program, commandLine, BesideProbe("ondulite_checker.dll"), "CheckerAttach", &info,
                                &error);
    SetEnvironmentVariableA("ONDULITE_CHECKER_LOG", nullptr);
    if (!started) {
        std::printf("cannot start %s under the checker: %s (error %lu)\n", program.c_str(), error.c_str(),
                    GetLastError());
        run->checkerLog.clear();
        return false;
    }
    CloseHandle(info.hThread);
    run->process = info.hProcess;
    run->id = info.dwProcessId;
    return true;
}

// The checker's verdict on a run that has ended.
void CheckCheckerLog(const SaverRun* run)
{
    std::vector<std::string> lines = FileLines(run->checkerLog);
    std::string attached, refused;
    for (const std::string& line : lines) {
        std::printf("  checker: %s\n", line.c_str());
        if (line.compare(0, 9, "attached:") == 0) attached = line.substr(10);
        if (line.compare(0, 6, "fault:") == 0 || line.compare(0, 8, "unknown:") == 0) refused += "\n    " + line;
    }
    Check(!attached.empty(), "the checker was in place (" + (attached.empty() ? "no log" : attached) + ")");
    Check(refused.empty(), "the checker found no call that the claimed system refuses and no function without "
                           "a rule" + refused);
    DeleteFileA(run->checkerLog.c_str());
}

}  // namespace

void ClaimWindowsVersion(const std::string& fileName, const char* version)
{
    SetRegistryValue(HKEY_CURRENT_USER, ("Software\\Wine\\AppDefaults\\" + fileName).c_str(), "Version", REG_SZ,
                     version, version ? (DWORD)std::strlen(version) + 1 : 0);
    claimedVersions[LowerFileName(fileName)] = version ? version : "";
}

bool StartProgram(SaverRun* run, const std::string& program, const std::string& commandLine)
{
    run->checkerLog.clear();
    if (CheckerWanted(program)) return StartChecked(run, program, commandLine);
    PROCESS_INFORMATION info;
    if (!StartProcess(program, commandLine, 0, &info)) {
        std::printf("cannot start %s: error %lu\n", program.c_str(), GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    run->process = info.hProcess;
    run->id = info.dwProcessId;
    return true;
}

bool StartSaver(SaverRun* run, const std::string& arguments)
{
    return StartProgram(run, probe.saver, "\"" + probe.saver + "\" " + arguments);
}

DWORD WaitForExit(SaverRun* run, DWORD timeoutMs)
{
    if (!run->process) return kStillRunning;
    timeoutMs = Scaled(timeoutMs);
    HANDLE process = run->process;
    DWORD start = GetTickCount();
    for (;;) {
        DispatchPending();
        DWORD elapsed = GetTickCount() - start;
        DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) break;
        if (woken == WAIT_TIMEOUT || woken == WAIT_FAILED) return kStillRunning;
    }
    DWORD code = kStillRunning;
    GetExitCodeProcess(process, &code);
    return code;
}

bool IsRunning(SaverRun* run)
{
    return run->process && WaitForSingleObject(run->process, 0) == WAIT_TIMEOUT;
}

static BOOL CALLBACK CloseProcessWindow(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == (DWORD)processId) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void EndRun(SaverRun* run)
{
    if (!run->process) return;
    if (IsRunning(run)) {
        EnumWindows(CloseProcessWindow, (LPARAM)run->id);
        if (WaitForExit(run, 3000) == kStillRunning) {
            std::printf("note: process %lu did not close, ending it\n", run->id);
            TerminateProcess(run->process, 99);
            WaitForSingleObject(run->process, 3000);
        }
    }
    CloseHandle(run->process);
    run->process = nullptr;
    run->id = 0;
    if (!run->checkerLog.empty()) CheckCheckerLog(run);
    run->checkerLog.clear();
}

HWND FindMemoryMessage(DWORD processId)
{
    HWND box = FindProcessWindow(processId, "#32770", "ondulite");
    if (!box) return nullptr;
    char text[128] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text control
    return std::string(text) == "Not enought memory." ? box : nullptr;
}

namespace {

struct WindowQuery {
    DWORD processId;
    const char* className;
    const char* title;
    HWND found;
    int count;
};

bool Matches(HWND window, const WindowQuery* query)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (query->processId && owner != query->processId) return false;
    // A window made with WS_VISIBLE is shown only after its creation.
    if (!IsWindowVisible(window)) return false;
    if (query->className && WindowClass(window) != query->className) return false;
    if (query->title && WindowTitle(window) != query->title) return false;
    return true;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM parameter)
{
    WindowQuery* query = (WindowQuery*)parameter;
    if (!Matches(window, query)) return TRUE;
    if (!query->found) query->found = window;
    ++query->count;
    return TRUE;
}

}  // namespace

std::string WindowClass(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowTitle(HWND window)
{
    char text[256] = "";
    // The saver swallows WM_SETTEXT only; reading goes through WM_GETTEXT.
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND FindProcessWindow(DWORD processId, const char* className, const char* title, HWND parent)
{
    WindowQuery query = {processId, className, title, nullptr, 0};
    if (parent)
        EnumChildWindows(parent, VisitWindow, (LPARAM)&query);
    else
        EnumWindows(VisitWindow, (LPARAM)&query);
    return query.found;
}

HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs, HWND parent)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindProcessWindow(processId, className, title, parent)) != nullptr; },
              timeoutMs);
    return found;
}

HWND WaitForFullScreenWindow(SaverRun* run, DWORD timeoutMs)
{
    return WaitForProcessWindow(run->id, "WindowsScreenSaverClass", "Screen Saver", timeoutMs);
}

int CountTopLevelWindows(const char* className, const char* title)
{
    WindowQuery query = {0, className, title, nullptr, 0};
    EnumWindows(VisitWindow, (LPARAM)&query);
    return query.count;
}

static LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CONTEXTMENU) {
        ++probeWindowLog.contextMenus;
        probeWindowLog.contextMenuWParam = wParam;
        probeWindowLog.contextMenuLParam = lParam;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeProbeWindow(int clientWidth, int clientHeight, int x, int y, bool show)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass;
        ZeroMemory(&windowClass, sizeof windowClass);
        windowClass.lpfnWndProc = ProbeWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
        windowClass.lpszClassName = "OnduliteProbeParent";
        registered = RegisterClassA(&windowClass) != 0;
    }
    const DWORD style = WS_OVERLAPPEDWINDOW | (show ? WS_VISIBLE : 0);
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExA(0, "OnduliteProbeParent", "probe parent", style, x, y,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    Pump(50);
    return window;
}

std::string StartUnix(const std::string& shellCommand)
{
    static int serial = 0;
    std::string marker = probe.workDir + Format("/unix-%lu-%d.status", GetCurrentProcessId(), ++serial);
    DeleteFileA(WindowsPath(marker).c_str());
    std::string line = "/bin/sh -c \"" + shellCommand + "; echo $? > " + marker + ".tmp; mv " + marker +
                       ".tmp " + marker + "\"";
    SaverRun run;
    if (!StartProgram(&run, "/bin/sh", line)) return "";
    // Wine does not follow Unix processes: the marker tells when it is done.
    CloseHandle(run.process);
    return marker;
}

bool UnixFinished(const std::string& marker, int* status)
{
    std::string windowsMarker = WindowsPath(marker);
    FILE* file = std::fopen(windowsMarker.c_str(), "r");
    if (!file) return false;
    if (std::fscanf(file, "%d", status) != 1) *status = -1;
    std::fclose(file);
    DeleteFileA(windowsMarker.c_str());
    return true;
}

bool RunUnix(const std::string& shellCommand, DWORD timeoutMs)
{
    std::string marker = StartUnix(shellCommand);
    int status = -1;
    if (marker.empty() || !WaitUntil([&] { return UnixFinished(marker, &status); }, timeoutMs)) {
        std::printf("unix command did not finish: %s\n", shellCommand.c_str());
        return false;
    }
    if (status != 0) std::printf("unix command failed (%d): %s\n", status, shellCommand.c_str());
    return status == 0;
}

long SaverProcessNumber(const std::string& command)
{
    // The newest saver of this Wine prefix: other prefixes may run savers too.
    return UnixNumber("p=$(for q in $(pgrep -f '[o]ndulite[.]scr'); do tr '\\0' '\\n' < /proc/$q/environ | "
                      "grep -qxF WINEPREFIX=$WINEPREFIX && echo $q; done | sort -n | tail -n1); " +
                      command);
}

long UnixNumber(const std::string& command)
{
    std::string file = probe.workDir + "/unix-number.txt";
    if (!RunUnix("{ " + command + "; } > " + file)) return -1;
    FILE* input = std::fopen(WindowsPath(file).c_str(), "r");
    long number = -1;
    if (input) {
        if (std::fscanf(input, "%ld", &number) != 1) number = -1;
        std::fclose(input);
    }
    return number;
}

bool XDo(const std::string& arguments)
{
    return RunUnix("xdotool " + arguments);
}

void PlacePointer(int x, int y)
{
    XDo(Format("mousemove %d %d", x, y));
    SetCursorPos(x, y);
}

bool WaitUntilUnderPointer(HWND window, DWORD timeoutMs)
{
    // Wine's X11 driver names each window's X window in this property.
    const long xWindow = (long)(uintptr_t)GetPropA(window, "__wine_x11_whole_window");
    if (xWindow == 0) return false;
    return WaitUntil([&] { return UnixNumber("xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p'") == xWindow; },
                     timeoutMs);
}

bool ReadPpm(const std::string& unixPath, Image* image)
{
    FILE* file = std::fopen(WindowsPath(unixPath).c_str(), "rb");
    if (!file) return false;
    int width = 0, height = 0, maximum = 0;
    bool good = std::fscanf(file, "P6 %d %d %d", &width, &height, &maximum) == 3 && maximum == 255 &&
                width > 0 && height > 0 && std::fgetc(file) != EOF;
    if (good) {
        image->width = width;
        image->height = height;
        image->rgb.resize((size_t)width * height * 3);
        good = std::fread(image->rgb.data(), 1, image->rgb.size(), file) == image->rgb.size();
    }
    std::fclose(file);
    return good;
}

bool TakeScreenshot(Image* image, const std::string& unixPath)
{
    return RunUnix("import -window root -depth 8 ppm:" + unixPath) && ReadPpm(unixPath, image);
}

double EqualFraction(const Image& a, const Image& b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 0.0;
    size_t pixels = (size_t)a.width * a.height;
    size_t equal = 0;
    for (size_t i = 0; i < pixels; ++i) equal += std::memcmp(&a.rgb[i * 3], &b.rgb[i * 3], 3) == 0;
    return (double)equal / (double)pixels;
}

Image CropImage(const Image& image, int x, int y, int width, int height)
{
    Image part;
    part.width = width;
    part.height = height;
    part.rgb.assign((size_t)width * height * 3, 0);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            int sx = x + column, sy = y + row;
            if (sx < 0 || sy < 0 || sx >= image.width || sy >= image.height) continue;
            std::memcpy(&part.rgb[((size_t)row * width + column) * 3], &image.rgb[((size_t)sy * image.width + sx) * 3],
                        3);
        }
    return part;
}

bool IsBlack(const Image& image)
{
    for (uint8_t value : image.rgb)
        if (value != 0) return false;
    return !image.rgb.empty();
}

bool RenderPictures(uint32_t seed, int width, int height, int count, std::vector<Image>* pictures)
{
    std::string base = probe.workDir + Format("/render-%u", seed);
    if (!RunUnix(probe.renderTool + Format(" --seed %u --size %dx%d --count %d -o ", seed, width, height, count) +
                 base + ".ppm"))
        return false;
    pictures->assign((size_t)count, Image());
    for (int k = 0; k < count; ++k) {
        std::string path = count == 1 ? base + ".ppm" : base + Format("-%d.ppm", k + 1);
        if (!ReadPpm(path, &(*pictures)[(size_t)k])) return false;
    }
    return true;
}
