// Ends with the base units that a dialog with the about box's font,
// 8-point "MS Sans Serif", gets in a fresh process, as its exit code:
// horizontal * 1000 + vertical; 0 when no dialog could be made. Each Wine
// process reads the installed fonts when it starts, so only a fresh one
// tells which font a newly started saver gets.
#include <windows.h>

namespace {

INT_PTR CALLBACK Ignore(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)dialog;
    (void)message;
    (void)wParam;
    (void)lParam;
    return FALSE;
}

// A plain template like the about box's, without its item: DS_SETFONT,
// 8 points, "MS Sans Serif".
struct Template {
    DLGTEMPLATE head;
    WORD menu, windowClass, caption, points;
    WCHAR face[14];
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show)
{
    (void)previous;
    (void)arguments;
    (void)show;
    static Template dialog;  // DWORD-aligned, zero
    dialog.head.style = WS_POPUP | WS_CAPTION | DS_SETFONT;
    dialog.head.cx = 100;
    dialog.head.cy = 100;
    dialog.points = 8;
    const char face[] = "MS Sans Serif";
    for (size_t i = 0; i < sizeof face; ++i) dialog.face[i] = (WCHAR)face[i];
    HWND box = CreateDialogIndirectParamA(instance, &dialog.head, nullptr, Ignore, 0);
    if (!box) return 0;
    RECT units = {0, 0, 4, 8};  // one character's width and height
    MapDialogRect(box, &units);
    DestroyWindow(box);
    return (int)(units.right * 1000 + units.bottom);
}
