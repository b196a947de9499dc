// ondulite-wayland: the saver's pictures on a Wayland compositor that
// offers the layer shell, as a saver (the default) or a live wallpaper.
//
// The main thread owns the connection: it follows the outputs, their
// layer surfaces and buffers, the input, and the timing of the cycles. The
// picture thread (native/picture_thread.h) makes one picture at a time on
// its own threads, so the connection is answered and a signal ends the
// process in the middle of a picture too.
//
// A cycle, as in the Windows saver with several monitors: every output
// that asks for a picture gets the next one of the seed's sequence, in the
// Windows saver's monitor order over the outputs' places in the layout,
// each at the output's size in device pixels; once all are made they are
// shown together, and the next cycle begins `--delay` seconds later. An
// output asks for a picture when the compositor has sent the frame
// callback of its last one: one that is turned off, or hidden, sends none,
// and so takes no picture and no draw.
//
// SIGTERM, SIGINT and SIGHUP end the process from the handler at once
// (native/ending_signals.h): the compositor frees whatever a client leaves.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "fractional-scale-v1-client-protocol.h"
#include "host/cursor_travel.h"
#include "native/ending_signals.h"
#include "native/pacing.h"
#include "native/picture_thread.h"
#include "native/process_io.h"
#include "picture/pixel_buffer.h"
#include "picture/random.h"
#include "viewporter-client-protocol.h"
#include "wayland/output_geometry.h"
#include "wayland/wayland_options.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

using Clock = PaceClock;

// Pointer travel beyond this many pixels of the layout ends the saver.
static const uint32_t kMoveTolerance = 4;
// How long a cycle waits for an output whose frame callback has not come
// yet: one that has not answered by then is off or hidden, and the others
// do not wait for it again.
static const std::chrono::milliseconds kFrameWait(100);
// Buffers an output may hold at once: the one on show, the one being
// filled, and one the compositor is slow to give back.
static const int kBuffersPerOutput = 3;

struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    uint32_t* pixels = nullptr;  // mapped, `bytes` long
    size_t bytes = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool busy = false;  // attached and not yet released by the compositor
};

// One wl_output and, while it is shown on, its layer surface. Each object
// is cleared when it is destroyed, so a release may run twice.
struct WaylandState;

struct Output {
    WaylandState* state = nullptr;
    uint32_t globalName = 0;  // the registry's name, which outlives nothing else
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    std::string name;        // xdg-output's name, or wl_output's (version 4)
    bool outputDone = false;  // wl_output.done came: its own events are told
    bool xdgTold = false;     // xdg-output told the logical size
    bool xdgDone = false;     // ... and all else it tells
    bool described = false;   // everything above is told
    int32_t x = 0;         // the place in the layout, logical units
    int32_t y = 0;
    SurfaceScaleFacts facts;

    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractionalScale = nullptr;
    bool configured = false;
    BufferPlan plan;         // the buffers' size; empty until configured
    ShmBuffer buffers[kBuffersPerOutput];
    ShmBuffer* filled = nullptr;  // holds this cycle's picture, to be shown with the others
    uint64_t filledNumber = 0;    // its place in the seed's sequence, for --fps
    double filledSeconds = 0.0;   // and how long it took to make

    wl_callback* frame = nullptr;
    bool frameDone = false;  // the compositor wants the next picture
    Clock::time_point frameAskedAt;
};

// The process's one connection and everything on it.
struct WaylandState {
    WaylandOptions options;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zxdg_output_manager_v1* xdgOutputManager = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalScaleManager = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    wl_touch* touch = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;  // in the order the compositor listed them

    // The pointer, in the layout's logical units: where it was when the
    // saver began (the reference for the travel rule), and which surface it
    // is on.
    bool haveReference = false;
    int32_t referenceX = 0;
    int32_t referenceY = 0;
    Output* pointerOutput = nullptr;

    PictureThread worker;
    std::vector<uint32_t> cycle;  // global names of the outputs taking this cycle's pictures, in order
    size_t cycleNext = 0;         // the next of them to ask the worker for
    bool pictureInProgress = false;
    uint32_t pictureFor = 0;      // the output the picture in progress is for
    Pacing pacing;

    bool started = false;  // the outputs known at the start are all described
    bool quit = false;
    int exitStatus = 0;
};

static void Complain(const std::string& message)
{
    ComplainAs("ondulite-wayland", message);
}

static void End(WaylandState* state, int status)
{
    state->quit = true;
    state->exitStatus = status;
}

static Output* FindOutput(WaylandState* state, uint32_t globalName)
{
    for (auto& output : state->outputs)
        if (output->globalName == globalName) return output.get();
    return nullptr;
}

// ---- buffers

static void OnBufferRelease(void* data, wl_buffer*)
{
    static_cast<ShmBuffer*>(data)->busy = false;
}

static const wl_buffer_listener kBufferListener = {OnBufferRelease};

static void ReleaseBuffer(ShmBuffer* buffer)
{
    if (buffer->buffer) wl_buffer_destroy(buffer->buffer);
    buffer->buffer = nullptr;
    if (buffer->pixels) munmap(buffer->pixels, buffer->bytes);
    buffer->pixels = nullptr;
    buffer->bytes = 0;
    buffer->width = buffer->height = 0;
    buffer->busy = false;
}

// A wl_shm buffer of `width` x `height` XRGB8888 pixels in a memory file of
// its own, black at first. False when the memory cannot be had.
static bool CreateBuffer(WaylandState* state, ShmBuffer* buffer, int32_t width, int32_t height)
{
    size_t bytes = PixelBufferBytes(width, height);
    if (bytes == 0 || (int64_t)width * 4 > INT32_MAX || bytes > (size_t)INT32_MAX) return false;
    int fd = memfd_create("ondulite-wayland", MFD_CLOEXEC);
    if (fd < 0) return false;
    if (ftruncate(fd, (off_t)bytes) != 0) {
        close(fd);
        return false;
    }
    void* address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED) {
        close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(state->shm, fd, (int32_t)bytes);
    buffer->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(buffer->buffer, &kBufferListener, buffer);
    buffer->pixels = static_cast<uint32_t*>(address);
    buffer->bytes = bytes;
    buffer->width = width;
    buffer->height = height;
    buffer->busy = false;
    return true;
}

// A slot whose buffer the compositor does not hold and this cycle does not
// fill: one of the output's planned size where there is one, else an empty
// slot or one of an old size. Null when every slot is taken.
static ShmBuffer* FreeSlot(Output* output)
{
    ShmBuffer* spare = nullptr;
    for (ShmBuffer& buffer : output->buffers) {
        if (buffer.busy || &buffer == output->filled) continue;
        if (buffer.buffer && buffer.width == output->plan.width && buffer.height == output->plan.height)
            return &buffer;
        if (!spare || spare->buffer) spare = &buffer;
    }
    return spare;
}

// A free buffer of the output's planned size, made in a free slot when
// needed; null when every slot is taken or no memory is left.
static ShmBuffer* FreeBuffer(WaylandState* state, Output* output)
{
    ShmBuffer* slot = FreeSlot(output);
    if (!slot || (slot->buffer && slot->width == output->plan.width && slot->height == output->plan.height))
        return slot;
    ReleaseBuffer(slot);
    return CreateBuffer(state, slot, output->plan.width, output->plan.height) ? slot : nullptr;
}

// ---- showing

static void OnFrameDone(void* data, wl_callback* callback, uint32_t)
{
    Output* output = static_cast<Output*>(data);
    wl_callback_destroy(callback);
    output->frame = nullptr;
    output->frameDone = true;
}

static const wl_callback_listener kFrameListener = {OnFrameDone};

// Attaches `buffer` to the output's surface, asks for the frame callback
// that says when it wants the next picture, and commits.
static void ShowBuffer(WaylandState* state, Output* output, ShmBuffer* buffer)
{
    const BufferPlan& plan = output->plan;
    if (plan.viewport) {
        wp_viewport_set_destination(output->viewport, output->facts.surfaceWidth, output->facts.surfaceHeight);
        wl_surface_set_buffer_scale(output->surface, 1);
    } else {
        if (output->viewport) wp_viewport_set_destination(output->viewport, -1, -1);
        wl_surface_set_buffer_scale(output->surface, plan.bufferScale);
    }
    wl_surface_attach(output->surface, buffer->buffer, 0, 0);
    if (state->compositorVersion >= 4)
        wl_surface_damage_buffer(output->surface, 0, 0, INT32_MAX, INT32_MAX);
    else
        wl_surface_damage(output->surface, 0, 0, INT32_MAX, INT32_MAX);
    buffer->busy = true;
    if (output->frame) wl_callback_destroy(output->frame);
    output->frame = wl_surface_frame(output->surface);
    wl_callback_add_listener(output->frame, &kFrameListener, output);
    output->frameDone = false;
    output->frameAskedAt = Clock::now();
    wl_surface_commit(output->surface);
}

// A black buffer of the planned size at once, so that a new or resized
// surface covers its output until its picture comes in the next cycle.
static void ShowBlack(WaylandState* state, Output* output)
{
    ShmBuffer* buffer = FreeBuffer(state, output);
    if (!buffer) {
        Complain("not enough memory for a " + std::to_string(output->plan.width) + "x" +
                 std::to_string(output->plan.height) + " buffer");
        End(state, 1);
        return;
    }
    std::memset(buffer->pixels, 0, buffer->bytes);
    ShowBuffer(state, output, buffer);
}

// ---- outputs and their layer surfaces

static void ReleaseSurface(Output* output)
{
    if (output->frame) wl_callback_destroy(output->frame);
    output->frame = nullptr;
    if (output->fractionalScale) wp_fractional_scale_v1_destroy(output->fractionalScale);
    output->fractionalScale = nullptr;
    if (output->viewport) wp_viewport_destroy(output->viewport);
    output->viewport = nullptr;
    if (output->layer) zwlr_layer_surface_v1_destroy(output->layer);
    output->layer = nullptr;
    if (output->surface) wl_surface_destroy(output->surface);
    output->surface = nullptr;
    for (ShmBuffer& buffer : output->buffers) ReleaseBuffer(&buffer);
    output->filled = nullptr;
    output->configured = false;
    output->frameDone = false;
    output->plan = BufferPlan{};
}

static void ReleaseOutput(WaylandState* state, Output* output)
{
    if (state->pointerOutput == output) state->pointerOutput = nullptr;
    ReleaseSurface(output);
    if (output->xdgOutput) zxdg_output_v1_destroy(output->xdgOutput);
    output->xdgOutput = nullptr;
    if (output->output) {
        if (wl_output_get_version(output->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(output->output);
        else
            wl_output_destroy(output->output);
    }
    output->output = nullptr;
}

// Plans the buffers anew after the compositor told a new size or scale; a
// surface whose plan changed shows black at once and takes the next cycle's
// picture, and that cycle is due now.
static void Replan(WaylandState* state, Output* output)
{
    if (!output->configured) return;
    output->facts.viewporter = output->viewport != nullptr;
    BufferPlan plan = PlanOutputBuffer(&output->facts);
    if (plan.width == output->plan.width && plan.height == output->plan.height &&
        plan.bufferScale == output->plan.bufferScale && plan.viewport == output->plan.viewport)
        return;
    output->plan = plan;
    output->filled = nullptr;
    if (plan.width <= 0 || plan.height <= 0) return;
    ShowBlack(state, output);
    PictureDueAt(&state->pacing, Clock::now());
}

static void OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                             uint32_t height)
{
    Output* output = static_cast<Output*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    output->facts.surfaceWidth = (int32_t)width;
    output->facts.surfaceHeight = (int32_t)height;
    output->configured = true;
    Replan(output->state, output);
}

static void OnLayerClosed(void* data, zwlr_layer_surface_v1*)
{
    // The compositor shows it no more (its output is going, as a rule); a
    // new surface comes if the output is announced again.
    ReleaseSurface(static_cast<Output*>(data));
}

static const zwlr_layer_surface_v1_listener kLayerListener = {OnLayerConfigure, OnLayerClosed};

static void OnPreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale)
{
    Output* output = static_cast<Output*>(data);
    output->facts.preferredScale = (int32_t)scale;
    Replan(output->state, output);
}

static const wp_fractional_scale_v1_listener kFractionalScaleListener = {OnPreferredScale};

static void CreateSurface(WaylandState* state, Output* output)
{
    const bool saver = !state->options.background;
    output->surface = wl_compositor_create_surface(state->compositor);
    if (state->viewporter) output->viewport = wp_viewporter_get_viewport(state->viewporter, output->surface);
    if (state->fractionalScaleManager) {
        output->fractionalScale =
            wp_fractional_scale_manager_v1_get_fractional_scale(state->fractionalScaleManager, output->surface);
        wp_fractional_scale_v1_add_listener(output->fractionalScale, &kFractionalScaleListener, output);
    }
    output->layer = zwlr_layer_shell_v1_get_layer_surface(
        state->layerShell, output->surface, output->output,
        saver ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "ondulite");
    zwlr_layer_surface_v1_add_listener(output->layer, &kLayerListener, output);
    zwlr_layer_surface_v1_set_size(output->layer, 0, 0);
    zwlr_layer_surface_v1_set_anchor(output->layer,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // The whole output, whatever panels keep free for themselves.
    zwlr_layer_surface_v1_set_exclusive_zone(output->layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        output->layer, saver ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                             : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    if (!saver) {
        // Clicks and the pointer pass through a wallpaper to the desktop.
        wl_region* none = wl_compositor_create_region(state->compositor);
        wl_surface_set_input_region(output->surface, none);
        wl_region_destroy(none);
    }
    wl_surface_commit(output->surface);
}

static bool Wanted(const WaylandState* state, const Output* output)
{
    return state->options.outputName.empty() || output->name == state->options.outputName;
}

// Once everything of an output is told (wl_output.done, and xdg-output's
// own done where it sends one), the output gets its surface if it is one to
// show on; later changes of its scale or mode plan its buffers anew. Before
// the start is over nothing is shown, so that every output's xdg-output is
// asked for first.
static void TryDescribe(Output* output)
{
    WaylandState* state = output->state;
    if (!state->started || !output->outputDone || (output->xdgOutput && !output->xdgDone)) return;
    output->described = true;
    if (!output->surface && Wanted(state, output))
        CreateSurface(state, output);
    else if (output->surface)
        Replan(state, output);
}

static void OnOutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
                             const char*, int32_t transform)
{
    Output* output = static_cast<Output*>(data);
    // xdg-output's logical position, where offered, wins: it is the
    // layout's, while this one may be in another compositor's units.
    if (!output->xdgOutput) {
        output->x = x;
        output->y = y;
    }
    output->facts.transform = transform;
}

static void OnOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t)
{
    Output* output = static_cast<Output*>(data);
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    output->facts.modeWidth = width;
    output->facts.modeHeight = height;
}

static void OnOutputDone(void* data, wl_output*)
{
    Output* output = static_cast<Output*>(data);
    output->outputDone = true;
    // From version 3 on, xdg-output's events end with wl_output's done.
    if (output->xdgOutput && output->xdgTold && zxdg_output_v1_get_version(output->xdgOutput) >= 3)
        output->xdgDone = true;
    TryDescribe(output);
}

static void OnOutputScale(void* data, wl_output*, int32_t factor)
{
    static_cast<Output*>(data)->facts.outputScale = factor;
}

static void OnOutputName(void* data, wl_output*, const char* name)
{
    Output* output = static_cast<Output*>(data);
    if (output->name.empty()) output->name = name;
}

static void OnOutputDescription(void*, wl_output*, const char*)
{
}

static const wl_output_listener kOutputListener = {OnOutputGeometry, OnOutputMode,  OnOutputDone,
                                                   OnOutputScale,    OnOutputName, OnOutputDescription};

static void OnXdgPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y)
{
    Output* output = static_cast<Output*>(data);
    output->x = x;
    output->y = y;
}

static void OnXdgSize(void* data, zxdg_output_v1*, int32_t width, int32_t height)
{
    Output* output = static_cast<Output*>(data);
    output->facts.logicalWidth = width;
    output->facts.logicalHeight = height;
    output->xdgTold = true;
}

static void OnXdgDone(void* data, zxdg_output_v1*)
{
    Output* output = static_cast<Output*>(data);
    output->xdgDone = true;
    TryDescribe(output);
}

static void OnXdgName(void* data, zxdg_output_v1*, const char* name)
{
    static_cast<Output*>(data)->name = name;
}

static void OnXdgDescription(void*, zxdg_output_v1*, const char*)
{
}

static const zxdg_output_v1_listener kXdgOutputListener = {OnXdgPosition, OnXdgSize, OnXdgDone, OnXdgName,
                                                           OnXdgDescription};

static void AskXdgOutput(WaylandState* state, Output* output)
{
    if (!state->xdgOutputManager || output->xdgOutput) return;
    output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(state->xdgOutputManager, output->output);
    zxdg_output_v1_add_listener(output->xdgOutput, &kXdgOutputListener, output);
}

// ---- input: what ends the saver

static void Dismiss(WaylandState* state)
{
    End(state, 0);
}

// The pointer at surface position (x, y) on `output`, in the layout's
// whole logical pixels.
static void PointerAt(WaylandState* state, Output* output, wl_fixed_t x, wl_fixed_t y)
{
    if (!output) return;
    int32_t layoutX = output->x + (int32_t)std::floor(wl_fixed_to_double(x));
    int32_t layoutY = output->y + (int32_t)std::floor(wl_fixed_to_double(y));
    if (!state->haveReference) {
        state->haveReference = true;
        state->referenceX = layoutX;
        state->referenceY = layoutY;
        return;
    }
    if (TravelEndsSaver(state->referenceX, state->referenceY, layoutX, layoutY, kMoveTolerance)) Dismiss(state);
}

static Output* OutputOfSurface(WaylandState* state, wl_surface* surface)
{
    for (auto& output : state->outputs)
        if (surface && output->surface == surface) return output.get();
    return nullptr;
}

static void OnPointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                           wl_fixed_t y)
{
    WaylandState* state = static_cast<WaylandState*>(data);
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the pictures
    state->pointerOutput = OutputOfSurface(state, surface);
    PointerAt(state, state->pointerOutput, x, y);
}

static void OnPointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*)
{
    static_cast<WaylandState*>(data)->pointerOutput = nullptr;
}

static void OnPointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    WaylandState* state = static_cast<WaylandState*>(data);
    PointerAt(state, state->pointerOutput, x, y);
}

static void OnPointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t buttonState)
{
    if (buttonState == WL_POINTER_BUTTON_STATE_PRESSED) Dismiss(static_cast<WaylandState*>(data));
}

// Turning the wheel ends nothing, as in the Windows saver.
static void OnPointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t)
{
}

static void OnPointerFrame(void*, wl_pointer*)
{
}

static void OnPointerAxisSource(void*, wl_pointer*, uint32_t)
{
}

static void OnPointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t)
{
}

static void OnPointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t)
{
}

static void OnPointerAxisValue120(void*, wl_pointer*, uint32_t, int32_t)
{
}

static const wl_pointer_listener kPointerListener = {
    OnPointerEnter,      OnPointerLeave,    OnPointerMotion,       OnPointerButton,      OnPointerAxis,
    OnPointerFrame,      OnPointerAxisSource, OnPointerAxisStop,   OnPointerAxisDiscrete, OnPointerAxisValue120};

static void OnKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t)
{
    close(fd);
}

// Keys held as the saver begins (the one that started it, say) end nothing.
static void OnKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*)
{
}

static void OnKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*)
{
}

static void OnKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t keyState)
{
    if (keyState == WL_KEYBOARD_KEY_STATE_PRESSED) Dismiss(static_cast<WaylandState*>(data));
}

static void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t)
{
}

static void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t)
{
}

static const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                       OnKey,    OnModifiers,     OnRepeatInfo};

static void OnTouchDown(void* data, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t, wl_fixed_t)
{
    Dismiss(static_cast<WaylandState*>(data));
}

static void OnTouchUp(void*, wl_touch*, uint32_t, uint32_t, int32_t)
{
}

static void OnTouchMotion(void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t)
{
}

static void OnTouchFrame(void*, wl_touch*)
{
}

static void OnTouchCancel(void*, wl_touch*)
{
}

static void OnTouchShape(void*, wl_touch*, int32_t, wl_fixed_t, wl_fixed_t)
{
}

static void OnTouchOrientation(void*, wl_touch*, int32_t, wl_fixed_t)
{
}

static const wl_touch_listener kTouchListener = {OnTouchDown,   OnTouchUp,    OnTouchMotion,     OnTouchFrame,
                                                 OnTouchCancel, OnTouchShape, OnTouchOrientation};

// Takes one of the seat's devices when the seat has it, and lets it go when
// the seat no longer has it.
template <typename Device, typename Listener>
static void FollowDevice(WaylandState* state, wl_seat* seat, bool present, Device** device,
                         Device* (*get)(wl_seat*), int (*listen)(Device*, const Listener*, void*),
                         void (*release)(Device*), const Listener* listener)
{
    if (present && !*device) {
        *device = get(seat);
        listen(*device, listener, state);
    } else if (!present && *device) {
        release(*device);
        *device = nullptr;
    }
}

static void OnSeatCapabilities(void* data, wl_seat* seat, uint32_t capabilities)
{
    WaylandState* state = static_cast<WaylandState*>(data);
    FollowDevice(state, seat, capabilities & WL_SEAT_CAPABILITY_KEYBOARD, &state->keyboard, wl_seat_get_keyboard,
                 wl_keyboard_add_listener, wl_keyboard_destroy, &kKeyboardListener);
    FollowDevice(state, seat, capabilities & WL_SEAT_CAPABILITY_POINTER, &state->pointer, wl_seat_get_pointer,
                 wl_pointer_add_listener, wl_pointer_destroy, &kPointerListener);
    FollowDevice(state, seat, capabilities & WL_SEAT_CAPABILITY_TOUCH, &state->touch, wl_seat_get_touch,
                 wl_touch_add_listener, wl_touch_destroy, &kTouchListener);
    if (!state->pointer) state->pointerOutput = nullptr;
}

static void OnSeatName(void*, wl_seat*, const char*)
{
}

static const wl_seat_listener kSeatListener = {OnSeatCapabilities, OnSeatName};

// ---- the compositor's globals

static uint32_t Lower(uint32_t offered, uint32_t wanted)
{
    return offered < wanted ? offered : wanted;
}

static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    WaylandState* state = static_cast<WaylandState*>(data);
    std::string which = interface;
    if (which == wl_compositor_interface.name) {
        state->compositorVersion = Lower(version, 4);
        state->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, state->compositorVersion));
    } else if (which == wl_shm_interface.name) {
        state->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (which == zwlr_layer_shell_v1_interface.name) {
        state->layerShell = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, Lower(version, 4)));
    } else if (which == zxdg_output_manager_v1_interface.name) {
        state->xdgOutputManager = static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, Lower(version, 3)));
    } else if (which == wp_viewporter_interface.name) {
        state->viewporter =
            static_cast<wp_viewporter*>(wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
    } else if (which == wp_fractional_scale_manager_v1_interface.name) {
        state->fractionalScaleManager = static_cast<wp_fractional_scale_manager_v1*>(
            wl_registry_bind(registry, name, &wp_fractional_scale_manager_v1_interface, 1));
    } else if (which == wl_seat_interface.name && !state->options.background && !state->seat) {
        // A wallpaper takes no input at all.
        state->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, Lower(version, 5)));
        wl_seat_add_listener(state->seat, &kSeatListener, state);
    } else if (which == wl_output_interface.name && version >= 2) {
        std::unique_ptr<Output> output(new Output);
        output->state = state;
        output->globalName = name;
        output->output =
            static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, Lower(version, 4)));
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        AskXdgOutput(state, output.get());
        state->outputs.push_back(std::move(output));
    }
}

static void OnGlobalRemove(void* data, wl_registry*, uint32_t name)
{
    WaylandState* state = static_cast<WaylandState*>(data);
    for (size_t i = 0; i < state->outputs.size(); ++i) {
        if (state->outputs[i]->globalName != name) continue;
        // A picture being made for it is dropped when it comes.
        ReleaseOutput(state, state->outputs[i].get());
        state->outputs.erase(state->outputs.begin() + (ptrdiff_t)i);
        return;
    }
}

static const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// ---- the cycle

// Whether a cycle may begin now: an output whose frame callback is due
// soon is waited for (up to kFrameWait after it was asked), so that the
// outputs of a cycle stay together. Writes the time to look again.
static bool FramesSettled(WaylandState* state, Clock::time_point now, Clock::time_point* lookAgainAt)
{
    bool settled = true;
    for (auto& output : state->outputs) {
        if (!output->configured || output->plan.width <= 0 || output->frameDone) continue;
        Clock::time_point giveUpAt = output->frameAskedAt + kFrameWait;
        if (now >= giveUpAt) continue;
        if (settled || giveUpAt < *lookAgainAt) *lookAgainAt = giveUpAt;
        settled = false;
    }
    return settled;
}

static void RequestNextPicture(WaylandState* state)
{
    while (state->cycleNext < state->cycle.size()) {
        Output* output = FindOutput(state, state->cycle[state->cycleNext++]);
        if (!output || !output->configured || output->plan.width <= 0) continue;
        state->pictureFor = output->globalName;
        state->pictureInProgress = true;
        RequestPicture(&state->worker, EvenRounded(output->plan.width), EvenRounded(output->plan.height));
        return;
    }
}

// The outputs that show pictures, with their places in the layout and
// whether each asks for a picture now.
static void ListOutputs(WaylandState* state, std::vector<CycleOutput>* places, std::vector<Output*>* listed)
{
    for (auto& output : state->outputs) {
        if (!output->configured || output->plan.width <= 0) continue;
        bool ready = output->frameDone && FreeSlot(output.get()) != nullptr;
        places->push_back(CycleOutput{MonitorArea{output->x, output->y, output->x + output->facts.surfaceWidth,
                                                  output->y + output->facts.surfaceHeight},
                                      ready});
        listed->push_back(output.get());
    }
}

static void BeginCycle(WaylandState* state)
{
    std::vector<CycleOutput> places;
    std::vector<Output*> listed;
    ListOutputs(state, &places, &listed);
    std::vector<int32_t> order(listed.size()), twinOf(listed.size());
    int32_t taking = PlanCycle(places.data(), (int32_t)places.size(), order.data(), twinOf.data());
    state->cycle.clear();
    for (int32_t i = 0; i < taking; ++i) state->cycle.push_back(listed[(size_t)order[i]]->globalName);
    state->cycleNext = 0;
    RequestNextPicture(state);
}

// Shows every picture of the cycle at once; a mirror shows a copy of its
// twin's picture when their buffers are alike.
static void ShowCycle(WaylandState* state)
{
    std::vector<CycleOutput> places;
    std::vector<Output*> listed;
    ListOutputs(state, &places, &listed);
    std::vector<int32_t> order(listed.size()), twinOf(listed.size());
    PlanCycle(places.data(), (int32_t)places.size(), order.data(), twinOf.data());
    for (size_t i = 0; i < listed.size(); ++i) {
        if (twinOf[i] < 0) continue;
        Output* mirror = listed[i];
        const ShmBuffer* picture = listed[(size_t)twinOf[i]]->filled;
        if (!picture || !places[i].ready || mirror->plan.width != picture->width ||
            mirror->plan.height != picture->height)
            continue;
        ShmBuffer* copy = FreeBuffer(state, mirror);
        if (!copy) continue;
        std::memcpy(copy->pixels, picture->pixels, picture->bytes);
        mirror->filled = copy;
        mirror->filledNumber = 0;
    }
    std::string rate = NoteShown(&state->pacing, Clock::now(), state->options.delaySeconds);
    for (Output* output : listed) {
        if (!output->filled) continue;
        ShowBuffer(state, output, output->filled);
        output->filled = nullptr;
        if (state->options.fps && output->filledNumber > 0)
            std::fprintf(stderr, "ondulite-wayland: picture %llu on %s %dx%d, generated in %.1f ms, %s cycles/s\n",
                         (unsigned long long)output->filledNumber, output->name.c_str(), output->plan.width,
                         output->plan.height, output->filledSeconds * 1000.0, rate.c_str());
    }
}

static void OnPictureFinished(WaylandState* state)
{
    state->pictureInProgress = false;
    if (!TakeFinishedPicture(&state->worker)) {
        Complain("not enough memory or threads for a picture");
        End(state, 1);
        return;
    }
    PictureThread* worker = &state->worker;
    Output* output = FindOutput(state, state->pictureFor);
    // A picture for an output that went, or whose size changed meanwhile,
    // is dropped, and its place in the sequence with it.
    if (output && output->configured && worker->width == EvenRounded(output->plan.width) &&
        worker->height == EvenRounded(output->plan.height)) {
        ShmBuffer* buffer = FreeBuffer(state, output);
        if (buffer) {
            CopyPictureToShm(worker->pixels.data(), worker->width, worker->height, buffer->pixels, buffer->width,
                             buffer->height);
            output->filled = buffer;
            std::lock_guard<std::mutex> guard(worker->lock);
            output->filledNumber = worker->pictureNumber;
            output->filledSeconds = worker->generationSeconds;
        }
    }
    RequestNextPicture(state);
    if (state->pictureInProgress) return;
    ShowCycle(state);
}

// ---- the connection

// The one line for a connection that failed: the compositor's protocol
// error where it sent one, the lost connection otherwise.
static void ComplainAboutConnection(WaylandState* state)
{
    const wl_interface* interface = nullptr;
    uint32_t id = 0;
    int error = wl_display_get_error(state->display);
    if (error == EPROTO) {
        uint32_t code = wl_display_get_protocol_error(state->display, &interface, &id);
        Complain(std::string("the compositor ended the connection for a protocol error (") +
                 (interface ? interface->name : "unknown interface") + ", code " + std::to_string(code) + ")");
    } else {
        Complain("lost the connection to the Wayland compositor");
    }
}

// Sends what is queued; false when the connection is lost. A full socket
// is waited for in the loop's poll.
static bool Flush(WaylandState* state, bool* pendingWrites)
{
    *pendingWrites = false;
    if (wl_display_flush(state->display) >= 0) return true;
    if (errno == EAGAIN) {
        *pendingWrites = true;
        return true;
    }
    return false;
}

static void RunLoop(WaylandState* state)
{
    PictureDueAt(&state->pacing, Clock::now());
    while (!state->quit) {
        Clock::time_point now = Clock::now();
        int timeout = -1;  // while a picture is made, only events, signals or its end wake
        if (!state->pictureInProgress) {
            if (PictureDue(&state->pacing, now)) {
                Clock::time_point lookAgainAt;
                if (FramesSettled(state, now, &lookAgainAt)) {
                    BeginCycle(state);
                    // No output asked for a picture: wait for a frame callback.
                    if (!state->pictureInProgress) timeout = -1;
                } else {
                    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(lookAgainAt - now).count();
                    timeout = (int)wait + 1;
                }
            } else {
                timeout = MillisecondsUntilDue(&state->pacing, now);
            }
        }
        if (state->quit) break;

        while (wl_display_prepare_read(state->display) != 0)
            if (wl_display_dispatch_pending(state->display) < 0) break;
        bool pendingWrites = false;
        if (!Flush(state, &pendingWrites)) {
            wl_display_cancel_read(state->display);
            ComplainAboutConnection(state);
            End(state, 1);
            break;
        }
        struct pollfd fds[2] = {{wl_display_get_fd(state->display), (short)(POLLIN | (pendingWrites ? POLLOUT : 0)), 0},
                                {state->worker.readyPipe[0], POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0 && errno != EINTR) {
            wl_display_cancel_read(state->display);
            Complain("poll failed");
            End(state, 1);
            break;
        }
        if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            if (wl_display_read_events(state->display) < 0) {
                ComplainAboutConnection(state);
                End(state, 1);
                break;
            }
        } else {
            wl_display_cancel_read(state->display);
        }
        if (wl_display_dispatch_pending(state->display) < 0) {
            ComplainAboutConnection(state);
            End(state, 1);
            break;
        }
        if (fds[1].revents & POLLIN) OnPictureFinished(state);
    }
    // What is queued (the last pictures) goes out before the end, as far as
    // the compositor takes it.
    wl_display_flush(state->display);
}

// Binds the globals and learns every output known at the start; false with
// the one line when the compositor cannot serve.
static bool Connect(WaylandState* state)
{
    state->display = wl_display_connect(nullptr);
    if (!state->display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        Complain(std::string("cannot connect to the Wayland compositor '") + (name ? name : "wayland-0") +
                 "': " + std::strerror(errno ? errno : ENOENT));
        return false;
    }
    state->registry = wl_display_get_registry(state->display);
    wl_registry_add_listener(state->registry, &kRegistryListener, state);
    if (wl_display_roundtrip(state->display) < 0) {
        ComplainAboutConnection(state);
        return false;
    }
    if (!state->layerShell) {
        Complain("this compositor offers no layer shell (zwlr_layer_shell_v1), which ondulite-wayland needs to "
                 "cover its outputs; sway, Hyprland, river, labwc, Wayfire, niri and KDE Plasma offer it, GNOME "
                 "does not");
        return false;
    }
    if (!state->compositor || !state->shm) {
        Complain("this compositor offers no wl_compositor or wl_shm");
        return false;
    }
    // Outputs listed before the xdg-output manager get theirs now.
    for (auto& output : state->outputs) AskXdgOutput(state, output.get());
    if (wl_display_roundtrip(state->display) < 0) {
        ComplainAboutConnection(state);
        return false;
    }
    state->started = true;
    bool anyWanted = state->outputs.empty();
    for (auto& output : state->outputs) {
        // Whatever the compositor tells of a new xdg-output came within the
        // round trip, whether or not it ended with a done.
        output->xdgDone = true;
        TryDescribe(output.get());
        anyWanted = anyWanted || output->surface;
    }
    if (!anyWanted) {
        std::string names;
        for (auto& output : state->outputs) names += (names.empty() ? "" : ", ") + output->name;
        Complain("no output is named '" + state->options.outputName + "' (there are: " + names + ")");
        return false;
    }
    // Every surface's first configure, so that the first cycle finds them.
    if (wl_display_roundtrip(state->display) < 0) {
        ComplainAboutConnection(state);
        return false;
    }
    return !state->quit;
}

int main(int argc, char** argv)
{
    // Started with a standard descriptor closed, the connection would take
    // its number, and --fps lines would go into the protocol.
    if (!OpenStandardDescriptors()) return 1;
    static WaylandState state;
    std::string error;
    if (!ParseWaylandOptions(argc, argv, &state.options, &error)) {
        Complain(error);
        return 1;
    }
    if (state.options.help) return PrintUsage("ondulite-wayland", kWaylandUsage, 1);
    // Before any thread starts, so that every thread inherits the handling.
    if (!CatchEndingSignals()) {
        Complain("cannot catch signals");
        return 1;
    }
    if (!Connect(&state)) return 1;

    uint32_t seed = state.options.seedGiven ? state.options.seed : SeedFromUnixSeconds((int64_t)std::time(nullptr));
    if (!StartPictureThread(&state.worker, seed)) {
        Complain("cannot start the picture thread");
        return 1;
    }
    RunLoop(&state);
    // The compositor frees the surfaces and buffers of a closed connection,
    // and the process end the memory in one go; the band pool finishes a
    // picture it has begun, so it is not waited for.
    std::fflush(nullptr);
    std::_Exit(state.exitStatus);
}
