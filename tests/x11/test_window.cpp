// A helper for the hack's Xvfb tests.
//
// `ondulite-test-window [--argb] WxH` maps a black window of that size at
// the top left, as a screen saver daemon or a locker would hand one over,
// prints its id (0x...) on stdout and lives until it is killed, which
// destroys the window. With --argb the window has a 32-bit TrueColor
// visual with alpha, as compositing desktops give.
//
// `ondulite-test-window --pixel ID X Y` prints the pixel value at X, Y of
// window ID in hexadecimal, alpha bits included.
//
// `ondulite-test-window --close ID` asks window ID to close the way a
// window manager does: a WM_DELETE_WINDOW client message.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

static int PrintPixel(Display* display, const char* idText, int x, int y)
{
    Window window = (Window)std::strtoul(idText, nullptr, 0);
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 1;
    std::printf("0x%08lx\n", XGetPixel(image, 0, 0));
    XDestroyImage(image);
    return 0;
}

int main(int argc, char** argv)
{
    unsigned width = 0, height = 0;
    bool closing = argc == 3 && std::strcmp(argv[1], "--close") == 0;
    bool pixel = argc == 5 && std::strcmp(argv[1], "--pixel") == 0;
    bool argb = argc == 3 && std::strcmp(argv[1], "--argb") == 0;
    const char* size = argb ? argv[2] : argv[1];
    if (!closing && !pixel && ((argc != 2 && !argb) || std::sscanf(size, "%ux%u", &width, &height) != 2 || !width ||
                               !height)) {
        std::fprintf(stderr, "usage: ondulite-test-window [--argb] WxH | --close ID | --pixel ID X Y\n");
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "ondulite-test-window: cannot open the display\n");
        return 1;
    }
    if (closing) return CloseWindow(display, argv[2]);
    if (pixel) return PrintPixel(display, argv[2], std::atoi(argv[3]), std::atoi(argv[4]));

    int screen = DefaultScreen(display);
    XSetWindowAttributes attributes;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.override_redirect = True;  // nothing moves it
    unsigned long mask = CWBackPixel | CWOverrideRedirect;
    int depth = CopyFromParent;
    Visual* visual = CopyFromParent;
    XVisualInfo argbVisual;
    if (argb) {
        if (!XMatchVisualInfo(display, screen, 32, TrueColor, &argbVisual)) {
            std::fprintf(stderr, "ondulite-test-window: the screen has no 32-bit TrueColor visual\n");
            return 1;
        }
        // A visual unlike the parent's needs its own colormap and border.
        depth = 32;
        visual = argbVisual.visual;
        attributes.colormap = XCreateColormap(display, RootWindow(display, screen), visual, AllocNone);
        attributes.border_pixel = 0;
        attributes.background_pixel = 0;
        mask |= CWColormap | CWBorderPixel;
    }
    Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, width, height, 0, depth, InputOutput,
                                  visual, mask, &attributes);
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
