// A helper for the hack's Xvfb tests.
//
// `ondulite-test-window WxH` maps a black window of that size at the top
// left, as a screen saver daemon or a locker would hand one over, prints
// its id (0x...) on stdout and lives until it is killed, which destroys
// the window.
//
// `ondulite-test-window --close ID` asks window ID to close the way a
// window manager does: a WM_DELETE_WINDOW client message.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static int CloseWindow(Display* display, const char* idText)
{
    Window window = (Window)std::strtoul(idText, nullptr, 0);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

int main(int argc, char** argv)
{
    unsigned width = 0, height = 0;
    bool closing = argc == 3 && std::strcmp(argv[1], "--close") == 0;
    if (!closing && (argc != 2 || std::sscanf(argv[1], "%ux%u", &width, &height) != 2 || !width || !height)) {
        std::fprintf(stderr, "usage: ondulite-test-window WxH | --close ID\n");
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "ondulite-test-window: cannot open the display\n");
        return 1;
    }
    if (closing) return CloseWindow(display, argv[2]);

    int screen = DefaultScreen(display);
    XSetWindowAttributes attributes;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.override_redirect = True;  // nothing moves it
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
