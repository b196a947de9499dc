// A plain window for the hack's Xvfb tests to draw into, as a screen saver
// daemon or a locker would hand it over: `ondulite-test-window WxH` maps a
// black window of that size at the top left, prints its id (0x...) on
// stdout and lives until it is killed, which destroys the window.
#include <X11/Xlib.h>

#include <cstdio>

int main(int argc, char** argv)
{
    unsigned width = 0, height = 0;
    if (argc != 2 || std::sscanf(argv[1], "%ux%u", &width, &height) != 2 || !width || !height) {
        std::fprintf(stderr, "usage: ondulite-test-window WxH\n");
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "ondulite-test-window: cannot open the display\n");
        return 1;
    }
    int screen = DefaultScreen(display);
    XSetWindowAttributes attributes;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.override_redirect = True;  // no window manager moves it
    Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, width, height, 0, CopyFromParent,
                                  InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
    XStoreName(display, window, "ondulite test window");
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) break;
    }
    std::printf("0x%lx\n", (unsigned long)window);
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}
