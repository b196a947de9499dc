// The configuration mode's about box, seen from outside: its resources in
// the saver file, the picture on the screen, the browser command that a
// recorder of our own receives, and what closes the box. The box must hold
// its whole picture and nothing else at every scale and with any dialog
// font: it is judged by its pixels against the picture, under the
// prefix's own font for "MS Sans Serif" and under two stand-ins of the
// suite's own making (tests/e2e/test_font.h) whose units differ from it.
#include <cstring>
#include <map>

#include "display/authors_page.h"
#include "resources/resource_ids.h"
#include "tests/e2e/doubles.h"
#include "tests/e2e/probe.h"
#include "tests/e2e/test_font.h"

namespace {

const char kOpenCommand[] = "file\\shell\\open\\command";
const WORD kFrench = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);

std::string recorder;  // Windows path of browser_recorder.exe

// The bytes of a resource of the saver file in French; empty when missing.
std::string SaverResource(const char* type, WORD id)
{
    std::string bytes;
    HMODULE module = LoadLibraryExA(probe.saver.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return bytes;
    if (HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), kFrench)) {
        HGLOBAL loaded = LoadResource(module, found);
        const char* data = loaded ? (const char*)LockResource(loaded) : nullptr;
        if (data) bytes.assign(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

WORD Word(const std::string& bytes, size_t at)
{
    return at + 2 <= bytes.size() ? (WORD)((BYTE)bytes[at] | (BYTE)bytes[at + 1] << 8) : 0xBAD;
}

DWORD Dword(const std::string& bytes, size_t at)
{
    return (DWORD)Word(bytes, at) | (DWORD)Word(bytes, at + 2) << 16;
}

// The about picture as the resource holds it, top line first.
bool AboutPicture(Image* picture)
{
    std::string bitmap = SaverResource((const char*)RT_BITMAP, ABOUT_PICTURE_ID);
    if (bitmap.size() < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bitmap.data(), sizeof header);
    if (header.biBitCount != 24 || header.biWidth <= 0 || header.biHeight <= 0) return false;
    const size_t stride = ((size_t)header.biWidth * 3 + 3) & ~(size_t)3;
    if (bitmap.size() < header.biSize + stride * (size_t)header.biHeight) return false;
    picture->width = header.biWidth;
    picture->height = header.biHeight;
    picture->rgb.resize((size_t)picture->width * picture->height * 3);
    for (int y = 0; y < picture->height; ++y) {
        const BYTE* row = (const BYTE*)bitmap.data() + header.biSize + stride * (size_t)(picture->height - 1 - y);
        for (int x = 0; x < picture->width; ++x)
            for (int c = 0; c < 3; ++c) picture->rgb[((size_t)y * picture->width + x) * 3 + c] = row[x * 3 + 2 - c];
    }
    return true;
}

void ResourceCases(void)
{
    std::string bitmap = SaverResource((const char*)RT_BITMAP, ABOUT_PICTURE_ID);
    if (Check(bitmap.size() >= 40, "bitmap 102 present in French")) {
        Check(Dword(bitmap, 0) == 40 && Dword(bitmap, 4) == 264 && Dword(bitmap, 8) == 220,
              "bitmap 102: 264 x 220, bottom-up");
        Check(Word(bitmap, 12) == 1 && Word(bitmap, 14) == 24 && Dword(bitmap, 16) == BI_RGB,
              "bitmap 102: 24 bits per pixel, uncompressed");
        Check(Dword(bitmap, 24) == 2834 && Dword(bitmap, 28) == 2834 && Dword(bitmap, 32) == 0,
              "bitmap 102: 2834 pixels per metre, no colour table");
        Check(bitmap.size() == 40 + 264 * 3 * 220, Format("bitmap 102: %zu bytes", bitmap.size()));
    }

    std::string dialog = SaverResource((const char*)RT_DIALOG, ABOUT_DIALOG_ID);
    if (!Check(dialog.size() > 18, "dialog 2003 present in French")) return;
    Check(Word(dialog, 2) != 0xFFFF, "dialog 2003: a plain template, not the extended form");
    Check(Dword(dialog, 0) == 0x80C800C0 && Dword(dialog, 4) == 0,
          Format("dialog 2003: style 0x%08lX, extended style 0", Dword(dialog, 0)));
    Check(Word(dialog, 8) == 1 && Word(dialog, 10) == 100 && Word(dialog, 12) == 0 && Word(dialog, 14) == 176 &&
              Word(dialog, 16) == 135,
          "dialog 2003: one item, at 100, 0, 176 x 135 units");
    // Menu, class and caption empty, then the font.
    Check(Word(dialog, 18) == 0 && Word(dialog, 20) == 0 && Word(dialog, 22) == 0 && Word(dialog, 24) == 8,
          "dialog 2003: no menu, the dialog class, empty caption, 8 points");
    size_t at = 26;
    std::string face;
    for (WORD c; (c = Word(dialog, at)) != 0 && at < dialog.size(); at += 2) face += (char)c;
    Check(face == "MS Sans Serif", "dialog 2003: font \"" + face + "\"");
    at = (at + 2 + 3) & ~(size_t)3;
    Check(Dword(dialog, at) == 0x5000000E && Dword(dialog, at + 4) == 0,
          Format("picture item: style 0x%08lX", Dword(dialog, at)));
    Check(Word(dialog, at + 8) == 0 && Word(dialog, at + 10) == 0 && Word(dialog, at + 12) == 176 &&
              Word(dialog, at + 14) == 135 && Word(dialog, at + 16) == 0xFFFF,
          "picture item: the whole box, identifier 0xFFFF");
    Check(Word(dialog, at + 18) == 0xFFFF && Word(dialog, at + 20) == 0x0082 && Word(dialog, at + 22) == 0xFFFF &&
              Word(dialog, at + 24) == ABOUT_PICTURE_ID && Word(dialog, at + 26) == 0,
          "picture item: STATIC by ordinal showing bitmap 102, no creation data");
}

struct PictureSize {
    int width;
    int height;
};

// The picture's size on a screen of `dpi`, the box's client area: 264 x 220
// at 96 DPI, scaled with the screen.
PictureSize PictureSizeAt(DWORD dpi)
{
    switch (dpi) {
    case 120: return {330, 275};
    case 144: return {396, 330};
    case 192: return {528, 440};
    default: return {264, 220};
    }
}

// What the box must show at `dpi`: bitmap 102 itself at 96 DPI, and the
// same picture (the first of seed 2026) made at the scaled size elsewhere.
bool ExpectedPicture(DWORD dpi, Image* picture)
{
    static std::map<DWORD, Image> made;
    if (made.count(dpi)) {
        *picture = made[dpi];
        return true;
    }
    const PictureSize size = PictureSizeAt(dpi);
    std::vector<Image> rendered;
    bool ok = dpi == 96 ? AboutPicture(picture)
                        : RenderPictures(2026, size.width, size.height, 1, &rendered) && !rendered.empty();
    if (ok && dpi != 96) *picture = rendered[0];
    if (ok) made[dpi] = *picture;
    return ok;
}

// The box's client area at `dpi` is its whole picture, edge to edge: the
// picture's size, covered by the picture control, and on the screen pixel
// for pixel the expected picture.
void CheckWholePicture(HWND box, DWORD dpi, const std::string& what)
{
    const PictureSize size = PictureSizeAt(dpi);
    RECT client, shown;
    GetClientRect(box, &client);
    POINT origin = {0, 0};
    ClientToScreen(box, &origin);
    Check(client.right == size.width && client.bottom == size.height,
          what + Format(": client area %ldx%ld, the picture's %dx%d", client.right, client.bottom, size.width,
                        size.height));
    HWND picture = FindWindowExA(box, nullptr, "Static", nullptr);
    if (Check(picture && GetWindowRect(picture, &shown), what + ": the picture control")) {
        Check(shown.left == origin.x && shown.top == origin.y && shown.right == origin.x + client.right &&
                  shown.bottom == origin.y + client.bottom,
              what + Format(": the picture covers the client area (%ldx%ld at %ld,%ld)", shown.right - shown.left,
                            shown.bottom - shown.top, shown.left - origin.x, shown.top - origin.y));
    }
    Image expected, screen;
    Pump(300);
    if (!Check(ExpectedPicture(dpi, &expected) && TakeScreenshot(&screen, probe.workDir + "/about.ppm"),
               what + ": screenshot and the expected picture"))
        return;
    // The client area as it is: a margin or a cut-off picture has another size.
    Image part = CropImage(screen, origin.x, origin.y, client.right, client.bottom);
    double equal = EqualFraction(part, expected);
    Check(equal >= 0.9999, what + Format(": the whole picture on screen, edge to edge (%.2f%% equal)", equal * 100));
}

// A left click at the picture's bottom right corner ends the box with 0.
void CloseByClickInCorner(SaverRun* run, HWND box, const std::string& what)
{
    RECT client;
    GetClientRect(box, &client);
    POINT corner = {client.right - 3, client.bottom - 3};
    ClientToScreen(box, &corner);
    XDo(Format("mousemove %ld %ld click 1", corner.x, corner.y));
    DWORD code = WaitForExit(run, 5000);
    Check(code == 0, what + Format(": a left click in the picture's corner ends it with 0 (got 0x%lX)", code));
}

// The stand-ins for "MS Sans Serif": every character of one 0.4 em wide,
// its lines 0.9 em high; of the other 0.9 em wide, 1.6 em high.
const TestFontMetrics kNarrowFont = {400, 700, 200};
const TestFontMetrics kWideFont = {900, 1200, 400};

std::string StandInPath(void)
{
    char folder[MAX_PATH] = "";
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return std::string(folder, length < sizeof folder ? length : 0) + "\\Fonts\\ondulite-stand-in.ttf";
}

// Puts the font into the prefix's font folder, where every program started
// afterwards finds it. A family of the very name "MS Sans Serif" there is
// taken for that name, where Wine's FontSubstitutes and Replacements give
// way to any font that has it; DialogUnits tells whether it took effect.
bool InstallStandIn(const TestFontMetrics& metrics)
{
    const std::string font = MakeTestFont("MS Sans Serif", metrics);
    HANDLE file = CreateFileA(StandInPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, font.data(), (DWORD)font.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == font.size();
}

void RemoveStandIn(void)
{
    DeleteFileA(StandInPath().c_str());
}

// The base units of the box's font in a fresh process (dialog_units.cpp),
// horizontal * 1000 + vertical; 0 when unknown.
long DialogUnits(void)
{
    std::string reader = BesideProbe("dialog_units.exe");
    SaverRun run;
    if (!StartProgram(&run, reader, "\"" + reader + "\"")) return 0;
    DWORD code = WaitForExit(&run, 5000);
    EndRun(&run);
    return code == kStillRunning ? 0 : (long)code;
}

std::string Units(long units)
{
    return Format("%ldx%ld", units / 1000, units % 1000);
}

// Opens the box, checks its whole picture at `dpi` and ends it with a click.
void AboutBoxAt(DWORD dpi, const std::string& what)
{
    SaverRun run;
    if (!Check(StartSaver(&run, "/c"), what + ": starts")) return;
    HWND box = WaitForProcessWindow(run.id, "#32770", nullptr, 5000);
    if (Check(box != nullptr, what + ": the about box")) {
        CheckWholePicture(box, dpi, what);
        CloseByClickInCorner(&run, box, what);
    }
    EndRun(&run);
}

// WM_DPICHANGED as the system sends it when the box moves to a monitor of
// another scale: the new DPI, and the suggested window rectangle in the
// saver's own memory.
bool SendDpiChanged(SaverRun* run, HWND box, DWORD dpi, const RECT& suggested)
{
    void* remote = VirtualAllocEx(run->process, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) return false;
    DWORD_PTR result = 0;
    bool sent = WriteProcessMemory(run->process, remote, &suggested, sizeof suggested, nullptr) &&
                SendMessageTimeoutA(box, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), (LPARAM)remote,
                                    SMTO_ABORTIFHUNG, 5000, &result);
    VirtualFreeEx(run->process, remote, 0, MEM_RELEASE);
    return sent;
}

// A per-monitor aware box moved between monitors of 96, 144 and 192 DPI
// holds the picture made for each, at the place that the system suggests.
void DpiChangeCases(void)
{
    const std::string what = "moved to another monitor";
    SaverRun run;
    if (!Check(StartSaver(&run, "/c"), what + ": starts")) return;
    HWND box = WaitForProcessWindow(run.id, "#32770", nullptr, 5000);
    if (Check(box != nullptr, what + ": the about box")) {
        CheckWholePicture(box, 96, what + ", 96 DPI at first");
        const struct {
            DWORD dpi;
            LONG x, y;
        } moves[] = {{144, 40, 20}, {192, 10, 30}, {96, 200, 100}};
        DWORD before = 96;
        for (const auto& move : moves) {
            const std::string step = what + Format(", %lu DPI", move.dpi);
            RECT window;
            GetWindowRect(box, &window);
            const LONG width = window.right - window.left, height = window.bottom - window.top;
            const RECT suggested = {move.x, move.y, move.x + width * (LONG)move.dpi / (LONG)before,
                                    move.y + height * (LONG)move.dpi / (LONG)before};
            before = move.dpi;
            if (!Check(SendDpiChanged(&run, box, move.dpi, suggested), step + ": WM_DPICHANGED sent")) break;
            // The box fits itself again after the dialog manager's handling.
            const PictureSize size = PictureSizeAt(move.dpi);
            WaitUntil(
                [&] {
                    RECT client;
                    GetClientRect(box, &client);
                    return client.right == size.width && client.bottom == size.height;
                },
                3000);
            GetWindowRect(box, &window);
            Check(window.left == move.x && window.top == move.y,
                  step + Format(": at the suggested place %ld,%ld (%ld,%ld)", move.x, move.y, window.left, window.top));
            CheckWholePicture(box, move.dpi, step);
        }
        CloseByClickInCorner(&run, box, what);
    }
    EndRun(&run);
}

}  // namespace

void RunAboutBoxAtDpi(DWORD dpi)
{
    const std::string at = Format("%lu DPI", dpi);
    const long own = DialogUnits();
    AboutBoxAt(dpi, at + ", the prefix's own font (" + Units(own) + ")");
    const struct {
        const char* name;
        const TestFontMetrics* metrics;
    } standIns[] = {{"narrow", &kNarrowFont}, {"wide", &kWideFont}};
    for (const auto& font : standIns) {
        const std::string what = at + ", a " + font.name + " stand-in font";
        if (!Check(InstallStandIn(*font.metrics), what + ": installed")) continue;
        const long units = DialogUnits();
        if (Check(units != 0 && units != own,
                  what + ": it took effect (dialog units " + Units(units) + ", the prefix's own " + Units(own) + ")"))
            AboutBoxAt(dpi, what + " (" + Units(units) + ")");
        RemoveStandIn();
    }
    Check(DialogUnits() == own, at + ": the prefix's own font again");
}

namespace {

bool SetOpenCommand(const std::string& value, bool withNul)
{
    return SetRegistryValue(HKEY_CLASSES_ROOT, kOpenCommand, "", REG_SZ, value.c_str(),
                            (DWORD)value.size() + (withNul ? 1 : 0));
}

void DeleteOpenCommand(void)
{
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kOpenCommand);
}

enum class CloseBy { Click, KeysThenAltF4 };

// Opens the box with `arguments`, expects the whole picture when
// `checkPicture` and, when `browserCommand` is not empty, the recorder
// started with it (else no start at all); then closes the box as `closeBy`
// says and expects 0.
void AboutBoxCase(const std::string& arguments, const std::string& browserCommand, bool checkPicture,
                  CloseBy closeBy, const std::string& what)
{
    StartDoubleLog("about");
    SaverRun run;
    if (!Check(StartSaver(&run, arguments), what + ": starts")) return;
    HWND box = WaitForProcessWindow(run.id, "#32770", nullptr, 5000);
    HWND picture = box ? FindWindowExA(box, nullptr, "Static", nullptr) : nullptr;
    if (Check(box != nullptr && picture != nullptr, what + ": about box with its picture")) {
        if (browserCommand.empty()) {
            Pump(1500);
            Check(CountDoubleLog("browser") == 0, what + ": no browser started");
        } else {
            WaitUntil([] { return CountDoubleLog("browser") > 0; }, 5000);
            std::vector<std::string> lines = DoubleLogLines();
            bool exact = lines.size() == 1 && lines[0] == "browser " + browserCommand;
            Check(exact, what + ": the browser gets the composed command" +
                             (exact ? std::string() : ", not: " + (lines.empty() ? "nothing" : lines[0])));
        }
        if (checkPicture) CheckWholePicture(box, 96, what);
        RECT shown;
        GetWindowRect(picture, &shown);
        int x = (shown.left + shown.right) / 2, y = (shown.top + shown.bottom) / 2;
        if (closeBy == CloseBy::KeysThenAltF4) {
            XDo(Format("mousemove %d %d", x, y));
            XDo("key Escape");
            Pump(500);
            Check(IsRunning(&run) && IsWindow(box), what + ": Esc leaves the box open");
            XDo("key Return");
            Pump(500);
            Check(IsRunning(&run) && IsWindow(box), what + ": Enter leaves the box open");
            XDo("key alt+F4");
        } else {
            XDo(Format("mousemove %d %d click 1", x, y));
        }
    }
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": %s ends it with 0 (got 0x%lX)",
                                   closeBy == CloseBy::Click ? "a left click" : "Alt+F4", code));
    EndRun(&run);
}

}  // namespace

void RunAboutBrowserCases(void)
{
    ResourceCases();
    recorder = BesideProbe("browser_recorder.exe");
    const std::string quoted = "\"" + recorder + "\"";
    const std::string address = kAuthorsPage;

    SetOpenCommand(quoted + " \"%1\" -new %1", true);
    AboutBoxCase("/c", quoted + " \"" + address + "\" -new %1", true, CloseBy::KeysThenAltF4,
                 "/c, placeholder in quotes");

    // Longer than the first read's 511 bytes.
    const std::string longTail = " -profile " + std::string(700, 'p');
    SetOpenCommand(quoted + " %1" + longTail, true);
    AboutBoxCase("/c:1234", quoted + " " + address + longTail, true, CloseBy::Click, "/c:1234, 800-byte command");

    // Stored without a final NUL, ending in a lone "%".
    SetOpenCommand(quoted + " %", false);
    AboutBoxCase("", quoted + " " + address, true, CloseBy::Click, "no argument, command without NUL");

    SetOpenCommand(quoted + " -new", true);
    AboutBoxCase("/c", "", false, CloseBy::Click, "/c, command without \"%\"");

    DeleteOpenCommand();
    AboutBoxCase("/c", "", false, CloseBy::Click, "/c, no open command");
}

void RunAboutCases(void)
{
    RunAboutBrowserCases();
    // The other scales are the dpi group's (screen_cases.cpp).
    RunAboutBoxAtDpi(96);
    DpiChangeCases();
}
