// A stand-in web browser for the end-to-end suite: the shell's open command
// is pointed at it, and it logs the command line it was started with,
// "browser <command line>", then ends.
#include <windows.h>

#include "test_log.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show)
{
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    AppendTestLog("browser %s", GetCommandLineA());
    return 0;
}
