// ondulite-x11: the saver's pictures as an X11 screen saver hack.
//
// The main thread owns the X connection: it handles the window's events
// and the timing, and it shows each finished picture. SIGTERM, SIGINT and
// SIGHUP end the process from the handler, whatever any thread is doing
// (making, converting or sending a picture of any size, or waiting for a
// server that does not answer): nothing needs undoing, as the server frees
// a closed connection's window, image and segment itself. Only while a
// shared segment is being made, which would outlive the process until it
// is marked for removal, a signal waits, and reaches poll() through a
// self-pipe. The picture thread (native/picture_thread.h) generates on its
// own thread with the band pool, so a signal or the window's end is
// noticed in the middle of a picture too.
// As in the saver, the next picture is asked for `delay` seconds after the
// previous one was shown: generation plus display plus the delay.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "native/ending_signals.h"
#include "native/pacing.h"
#include "native/picture_thread.h"
#include "native/process_io.h"
#include "picture/random.h"
#include "xhack/hack_options.h"
#include "xhack/screen_image.h"

using Clock = PaceClock;

static const int32_t kOwnWindowWidth = 800;
static const int32_t kOwnWindowHeight = 600;

// Everything the main thread holds of X. Each resource is cleared when it
// is released, so a release may run twice.
struct HackState {
    Display* display = nullptr;
    Window window = 0;
    bool ownWindow = false;
    Visual* visual = nullptr;
    int depth = 0;
    int32_t width = 0;  // the window's size as last reported
    int32_t height = 0;
    PixelLayout layout{};
    GC gc = nullptr;
    Atom deleteWindow = 0;

    bool shmOffered = false;  // the server has MIT-SHM and attaching worked so far
    XImage* image = nullptr;  // window-sized, top line first; holds the picture shown
    XShmSegmentInfo shm{};
    bool shmAttached = false;
    bool imageHoldsPicture = false;

    bool pictureInProgress = false;
    bool quit = false;
    int exitStatus = 0;
    Pacing pacing;
};

// X reports errors asynchronously to one process-wide handler.
static struct {
    bool trapping = false;  // a caller checks `code` after XSync
    int code = 0;           // the first error since trapping began
    Window target = 0;
    bool targetGone = false;  // a request on the window failed: it was destroyed
    bool otherError = false;
    char text[160] = "";
} xErrors;

static void Complain(const std::string& message)
{
    ComplainAs("ondulite-x11", message);
}

static int OnXError(Display* display, XErrorEvent* event)
{
    if (xErrors.trapping) {
        if (!xErrors.code) xErrors.code = event->error_code;
        return 0;
    }
    if ((event->error_code == BadWindow || event->error_code == BadDrawable) &&
        event->resourceid == xErrors.target) {
        xErrors.targetGone = true;
        return 0;
    }
    if (!xErrors.otherError) {
        xErrors.otherError = true;
        XGetErrorText(display, event->error_code, xErrors.text, sizeof xErrors.text);
    }
    return 0;
}

static int OnXIoError(Display*)
{
    // Xlib cannot go on once the connection is lost; this must not return.
    Complain("lost the connection to the X server");
    std::_Exit(1);
}

static void BeginTrap(Display* display)
{
    XSync(display, False);
    xErrors.trapping = true;
    xErrors.code = 0;
}

static int EndTrap(Display* display)
{
    XSync(display, False);
    xErrors.trapping = false;
    return xErrors.code;
}

static std::string HexWindow(Window window)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", (unsigned long)window);
    return text;
}

static bool TakeVisual(HackState* state, Visual* visual, int depth)
{
    if (visual->c_class != TrueColor) {
        Complain("the window's visual is not TrueColor; ondulite needs one");
        return false;
    }
    if (!PixelLayoutFromMasks((uint32_t)visual->red_mask, (uint32_t)visual->green_mask,
                              (uint32_t)visual->blue_mask, &state->layout)) {
        Complain("the window's visual has colour masks ondulite cannot use");
        return false;
    }
    // A compositor shows an ARGB window's zero alpha as transparent.
    state->layout.alpha = AlphaMaskOfVisual((uint32_t)visual->red_mask, (uint32_t)visual->green_mask,
                                            (uint32_t)visual->blue_mask, depth);
    state->visual = visual;
    state->depth = depth;
    return true;
}

static bool OpenOwnWindow(HackState* state)
{
    Display* display = state->display;
    int screen = DefaultScreen(display);
    if (!TakeVisual(state, DefaultVisual(display, screen), DefaultDepth(display, screen))) return false;
    unsigned long black = BlackPixel(display, screen);
    state->window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kOwnWindowWidth,
                                        kOwnWindowHeight, 0, black, black);
    state->ownWindow = true;
    state->width = kOwnWindowWidth;
    state->height = kOwnWindowHeight;
    XStoreName(display, state->window, "ondulite");
    XClassHint classHint;
    classHint.res_name = const_cast<char*>("ondulite");
    classHint.res_class = const_cast<char*>("Ondulite");
    XSetClassHint(display, state->window, &classHint);
    state->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, state->window, &state->deleteWindow, 1);
    XSelectInput(display, state->window, KeyPressMask | StructureNotifyMask | ExposureMask);
    XMapWindow(display, state->window);
    return true;
}

// A window of someone else's, the daemon's or the root: draw into it as it
// is and follow its size.
static bool AdoptWindow(HackState* state, Window window)
{
    Display* display = state->display;
    XWindowAttributes attributes;
    BeginTrap(display);
    Status got = XGetWindowAttributes(display, window, &attributes);
    if (EndTrap(display) || !got) {
        Complain("window " + HexWindow(window) + " does not exist");
        return false;
    }
    if (attributes.c_class == InputOnly) {
        Complain("window " + HexWindow(window) + " is input-only and cannot show pictures");
        return false;
    }
    if (!TakeVisual(state, attributes.visual, attributes.depth)) return false;
    state->window = window;
    state->width = attributes.width;
    state->height = attributes.height;
    // Other clients may select these on the same window; only button
    // presses are limited to one client, and input is the daemon's business.
    BeginTrap(display);
    XSelectInput(display, window, StructureNotifyMask | ExposureMask);
    if (EndTrap(display)) {
        Complain("window " + HexWindow(window) + " does not exist");
        return false;
    }
    return true;
}

static void ReleaseImage(HackState* state)
{
    if (!state->image) return;
    if (state->shmAttached) {
        XShmDetach(state->display, &state->shm);
        XSync(state->display, False);
        state->shmAttached = false;
    }
    if (state->shm.shmaddr) {
        // A shared image's data is the segment, which XDestroyImage must not free.
        state->image->data = nullptr;
        shmdt(state->shm.shmaddr);
        state->shm.shmaddr = nullptr;
        state->shm.shmid = -1;
    }
    XDestroyImage(state->image);
    state->image = nullptr;
    state->imageHoldsPicture = false;
}

// A shared-memory image, or null when the server cannot attach the segment
// (it runs on another machine, or refuses): then plain XPutImage serves.
static XImage* CreateSharedImage(HackState* state, int32_t width, int32_t height)
{
    state->shm = XShmSegmentInfo{};
    state->shm.shmid = -1;
    XImage* image = XShmCreateImage(state->display, state->visual, (unsigned)state->depth, ZPixmap, nullptr,
                                    &state->shm, (unsigned)width, (unsigned)height);
    if (!image) return nullptr;
    // A segment outlives the process until it is marked for removal below.
    HoldEndingSignals();
    state->shm.shmid = shmget(IPC_PRIVATE, (size_t)image->bytes_per_line * (size_t)height, IPC_CREAT | 0600);
    if (state->shm.shmid < 0) {
        ReleaseEndingSignals();
        XDestroyImage(image);
        return nullptr;
    }
    void* address = shmat(state->shm.shmid, nullptr, 0);
    if (address == (void*)-1) {
        shmctl(state->shm.shmid, IPC_RMID, nullptr);
        state->shm.shmid = -1;
        ReleaseEndingSignals();
        XDestroyImage(image);
        return nullptr;
    }
    // Marked for removal while we hold it, so that it goes away with the
    // process however the process ends; Linux still lets the server attach
    // a marked segment that is attached somewhere. Asking the server takes
    // a round trip, which a signal need not wait for.
    shmctl(state->shm.shmid, IPC_RMID, nullptr);
    ReleaseEndingSignals();
    state->shm.shmaddr = image->data = static_cast<char*>(address);
    state->shm.readOnly = True;
    BeginTrap(state->display);
    Status attached = XShmAttach(state->display, &state->shm);
    bool failed = EndTrap(state->display) || !attached;
    if (failed) {
        image->data = nullptr;
        shmdt(state->shm.shmaddr);
        state->shm.shmaddr = nullptr;
        XDestroyImage(image);
        return nullptr;
    }
    state->shmAttached = true;
    return image;
}

static bool EnsureImage(HackState* state)
{
    if (state->image && state->image->width == state->width && state->image->height == state->height) return true;
    ReleaseImage(state);
    if (state->shmOffered) {
        state->image = CreateSharedImage(state, state->width, state->height);
        if (!state->image) state->shmOffered = false;
    }
    if (state->image) return true;
    XImage* image = XCreateImage(state->display, state->visual, (unsigned)state->depth, ZPixmap, 0, nullptr,
                                 (unsigned)state->width, (unsigned)state->height, 32, 0);
    if (!image) return false;
    image->data = static_cast<char*>(std::malloc((size_t)image->bytes_per_line * (size_t)state->height));
    if (!image->data) {
        XDestroyImage(image);
        return false;
    }
    state->image = image;
    return true;
}

static void PutImage(HackState* state)
{
    if (!state->imageHoldsPicture) return;
    unsigned w = (unsigned)state->image->width, h = (unsigned)state->image->height;
    if (state->shmAttached)
        XShmPutImage(state->display, state->window, state->gc, state->image, 0, 0, 0, 0, w, h, False);
    else
        XPutImage(state->display, state->window, state->gc, state->image, 0, 0, 0, 0, w, h);
    // The server has read the image once this returns, so the next picture
    // may overwrite it.
    XSync(state->display, False);
}

static void ShowPicture(HackState* state, const PictureThread* worker)
{
    if (!EnsureImage(state)) {
        Complain("not enough memory for a " + std::to_string(state->width) + "x" + std::to_string(state->height) +
                 " image");
        state->quit = true;
        state->exitStatus = 1;
        return;
    }
    XImage* image = state->image;
    if (image->bits_per_pixel == 32) {
        const bool hostBigEndian = [] {
            uint32_t probe = 1;
            return *reinterpret_cast<const uint8_t*>(&probe) == 0;
        }();
        CopyPictureToImage32(worker->pixels.data(), worker->width, worker->height, &state->layout,
                             (image->byte_order == MSBFirst) != hostBigEndian,
                             reinterpret_cast<uint8_t*>(image->data), image->bytes_per_line, state->width,
                             state->height);
    } else {
        // Visuals of 16 or 24 bits per pixel: rare today, so the slow way.
        for (int32_t line = 0; line < state->height; ++line) {
            const uint32_t* row = ShownLine(worker->pixels.data(), worker->width, worker->height, line);
            for (int32_t x = 0; x < state->width; ++x) XPutPixel(image, x, line, VisualPixel(&state->layout, row[x]));
        }
    }
    state->imageHoldsPicture = true;
    PutImage(state);
}

static void OnResize(HackState* state, int32_t width, int32_t height)
{
    if (width == state->width && height == state->height) return;
    state->width = width;
    state->height = height;
    ReleaseImage(state);
    // A new picture of the new size at once; one in progress is of the old size.
    PictureDueAt(&state->pacing, Clock::now());
}

static void HandleEvent(HackState* state, const XEvent* event)
{
    switch (event->type) {
    case Expose:
        if (event->xexpose.count == 0) PutImage(state);
        break;
    case ConfigureNotify:
        if (event->xconfigure.window == state->window)
            OnResize(state, event->xconfigure.width, event->xconfigure.height);
        break;
    case DestroyNotify:
        if (event->xdestroywindow.window == state->window) {
            state->window = 0;
            state->quit = true;
        }
        break;
    case KeyPress:
        if (state->ownWindow) state->quit = true;
        break;
    case ClientMessage:
        if (state->ownWindow && (Atom)event->xclient.data.l[0] == state->deleteWindow) state->quit = true;
        break;
    default:
        break;
    }
}

static void ReportPicture(HackState* state, PictureThread* worker, const std::string& rate)
{
    uint64_t number;
    double generation;
    {
        std::lock_guard<std::mutex> guard(worker->lock);
        number = worker->pictureNumber;
        generation = worker->generationSeconds;
    }
    std::fprintf(stderr, "ondulite-x11: picture %llu %dx%d, generated in %.1f ms, %s pictures/s, %s\n",
                 (unsigned long long)number, state->width, state->height, generation * 1000.0, rate.c_str(),
                 state->shmAttached ? "MIT-SHM" : "XPutImage");
}

static void OnPictureFinished(HackState* state, PictureThread* worker, const HackOptions* options)
{
    state->pictureInProgress = false;
    if (!TakeFinishedPicture(worker)) {
        Complain("not enough memory or threads for a " + std::to_string(state->width) + "x" +
                 std::to_string(state->height) + " picture");
        state->quit = true;
        state->exitStatus = 1;
        return;
    }
    // A picture made for a size the window no longer has is dropped: the
    // window gets a new one of its new size at once.
    if (worker->width != EvenRounded(state->width) || worker->height != EvenRounded(state->height)) {
        PictureDueAt(&state->pacing, Clock::now());
        return;
    }
    ShowPicture(state, worker);
    if (state->quit) return;
    std::string rate = NoteShown(&state->pacing, Clock::now(), options->delaySeconds);
    if (options->fps) ReportPicture(state, worker, rate);
}

static void RunLoop(HackState* state, PictureThread* worker, const HackOptions* options)
{
    PictureDueAt(&state->pacing, Clock::now());
    while (!state->quit) {
        while (!state->quit && XPending(state->display)) {
            XEvent event;
            XNextEvent(state->display, &event);
            HandleEvent(state, &event);
        }
        if (xErrors.targetGone) state->quit = true;
        if (xErrors.otherError) {
            Complain(std::string("X error: ") + xErrors.text);
            state->quit = true;
            state->exitStatus = 1;
        }
        if (state->quit) break;

        Clock::time_point now = Clock::now();
        if (!state->pictureInProgress && PictureDue(&state->pacing, now)) {
            RequestPicture(worker, EvenRounded(state->width), EvenRounded(state->height));
            state->pictureInProgress = true;
        }
        // While a picture is made, only events, signals or its end wake.
        int timeout = state->pictureInProgress ? -1 : MillisecondsUntilDue(&state->pacing, now);
        XFlush(state->display);
        struct pollfd fds[3] = {{ConnectionNumber(state->display), POLLIN, 0},
                                {EndingSignalDescriptor(), POLLIN, 0},
                                {worker->readyPipe[0], POLLIN, 0}};
        if (poll(fds, 3, timeout) < 0 && errno != EINTR) {
            Complain("poll failed");
            state->quit = true;
            state->exitStatus = 1;
            break;
        }
        if (fds[1].revents & POLLIN) break;
        if (fds[2].revents & POLLIN) OnPictureFinished(state, worker, options);
    }
}

static void ReleaseX(HackState* state)
{
    if (!state->display) return;
    ReleaseImage(state);
    if (state->gc) XFreeGC(state->display, state->gc);
    state->gc = nullptr;
    if (state->ownWindow && state->window) XDestroyWindow(state->display, state->window);
    state->window = 0;
    XCloseDisplay(state->display);
    state->display = nullptr;
}

int main(int argc, char** argv)
{
    // Started with a standard descriptor closed, the X connection would
    // take its number, and --fps lines would go into the protocol.
    if (!OpenStandardDescriptors()) return 1;
    HackOptions options;
    std::string error;
    if (!ParseHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), &options, &error)) {
        Complain(error);
        return 1;
    }
    if (options.help) return PrintUsage("ondulite-x11", kHackUsage, 1);
    if (!CatchEndingSignals()) {
        Complain("cannot catch signals");
        return 1;
    }

    HackState state;
    const char* displayName = options.displayName.empty() ? nullptr : options.displayName.c_str();
    state.display = XOpenDisplay(displayName);
    if (!state.display) {
        const char* shown = displayName ? displayName : std::getenv("DISPLAY");
        Complain(std::string("cannot open display '") + (shown ? shown : "") + "'");
        return 1;
    }
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIoError);

    bool opened = false;
    switch (options.target) {
    case HackTarget::OwnWindow:
        opened = OpenOwnWindow(&state);
        break;
    case HackTarget::Root:
        opened = AdoptWindow(&state, DefaultRootWindow(state.display));
        break;
    case HackTarget::WindowId:
        opened = AdoptWindow(&state, (Window)options.windowId);
        break;
    }
    if (!opened) {
        ReleaseX(&state);
        return 1;
    }
    xErrors.target = state.window;
    state.gc = XCreateGC(state.display, state.window, 0, nullptr);
    state.shmOffered = XShmQueryExtension(state.display);

    PictureThread worker;
    uint32_t seed = options.seedGiven ? options.seed : SeedFromUnixSeconds((int64_t)std::time(nullptr));
    if (!StartPictureThread(&worker, seed)) {
        Complain("cannot start the picture thread");
        ReleaseX(&state);
        return 1;
    }

    RunLoop(&state, &worker, &options);

    // Daemons wait for a hack to be gone. Closing the connection lets the X
    // server drop the window's resources and the shared segment (already
    // marked for removal) at once, and the process end frees the memory in
    // one go: releasing a full-screen picture's buffers piece by piece takes
    // tens of milliseconds. The band pool finishes a picture it has begun,
    // so it is not waited for either: the picture in progress is abandoned,
    // as the saver does.
    XCloseDisplay(state.display);
    state.display = nullptr;
    std::fflush(nullptr);
    std::_Exit(state.exitStatus);
}
