// The about box of the configuration mode: dialog template 2003 showing
// bitmap 102, and the start of the web browser on the authors' page as the
// box opens.
#pragma once

#include <windows.h>

// The hook the configuration mode calls before it shows the box. Registers
// nothing: the box uses the system's dialog and static classes. Always
// returns non-zero, so the box is always shown.
BOOL RegisterAboutClasses(HINSTANCE instance);

// The dialog procedure for template 2003 (dialog parameter unused). Starts
// the browser on kAuthorsPage (display/authors_page.h) at WM_INITDIALOG;
// ends the dialog with 0 on WM_CLOSE or a left click anywhere over the box
// (the picture passes clicks through). Esc and Enter do nothing: WM_COMMAND
// is not handled. Returns FALSE for every message, so the system's default
// dialog handling applies.
//
// The box holds its whole picture and nothing else, whatever the dialog
// font made of the template's units: at WM_INITDIALOG, and again after
// WM_DPICHANGED, its client area becomes the picture's size at the box's
// scale (display/about_picture.h), bitmap 102 at 96 DPI and the picture
// made afresh at that size elsewhere, over the whole client area. A box
// grown that way is kept inside its monitor's work area.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Starts the program that the shell's open command for files names
// (HKEY_CLASSES_ROOT "file\shell\open\command", default value) with
// `address` (NUL-terminated) in place of its first "%" placeholder. Does not
// wait for it. Silent when the key is missing, the value has no "%" or the
// program cannot start.
void OpenWebPage(const char* address);
