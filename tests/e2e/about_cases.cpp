// The configuration mode's about box, seen from outside: its resources in
// the saver file, the picture on the screen, the browser command that a
// recorder of our own receives, and what closes the box.
#include <cstring>

#include "display/authors_page.h"
#include "resources/resource_ids.h"
#include "tests/e2e/doubles.h"
#include "tests/e2e/probe.h"

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

// Opens the box with `arguments`, expects the picture and, when
// `browserCommand` is not empty, the recorder started with it (else no
// start at all); then closes the box as `closeBy` says and expects 0.
void AboutBoxCase(const std::string& arguments, const std::string& browserCommand, bool checkPicture,
                  CloseBy closeBy, const std::string& what)
{
    StartDoubleLog("about");
    SaverRun run;
    if (!Check(StartSaver(&run, arguments), what + ": starts")) return;
    HWND box = WaitForProcessWindow(run.id, "#32770", nullptr, 5000);
    HWND picture = box ? FindWindowExA(box, nullptr, "Static", nullptr) : nullptr;
    if (Check(box != nullptr && picture != nullptr, what + ": about box with its picture")) {
        RECT client;
        GetClientRect(box, &client);
        Check(client.right >= 256 && client.right <= 320 && client.bottom >= 210 && client.bottom <= 232,
              what + Format(": client area %ldx%ld (about 308x219 under Wine, 264x220 on Windows)", client.right,
                            client.bottom));
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
        RECT shown;
        GetWindowRect(picture, &shown);
        if (checkPicture) {
            Image expected, screen;
            Pump(300);
            if (Check(AboutPicture(&expected) && TakeScreenshot(&screen, probe.workDir + "/about.ppm"),
                      what + ": screenshot")) {
                Image part;
                part.width = expected.width;
                part.height = expected.height;
                part.rgb.assign((size_t)part.width * part.height * 3, 0);
                for (int y = 0; y < part.height; ++y)
                    for (int x = 0; x < part.width; ++x) {
                        int sx = shown.left + x, sy = shown.top + y;
                        if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
                        std::memcpy(&part.rgb[((size_t)y * part.width + x) * 3],
                                    &screen.rgb[((size_t)sy * screen.width + sx) * 3], 3);
                    }
                // Under Wine the client area is 219 lines, one short of the picture.
                double equal = EqualFraction(part, expected);
                Check(equal > 0.99, what + Format(": the about picture on screen (%.1f%% equal)", equal * 100));
            }
        }
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

void RunAboutCases(void)
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
