// Ends with the system's screen-saver-running flag as its exit code (0 or
// 1). Wine keeps the flag for the whole prefix but caches it in each process
// once read, so only a fresh process sees what the saver set.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show)
{
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running ? 1 : 0;
}
