#include "display/about.h"

BOOL RegisterAboutClasses(HINSTANCE instance)
{
    (void)instance;
    return TRUE;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    switch (message) {
    case WM_CLOSE:
    case WM_LBUTTONDOWN:
        EndDialog(dialog, 0);
        break;
    }
    return FALSE;
}
