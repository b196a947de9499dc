// ondulite-test-pointer: gives a headless compositor a pointer device for
// as long as it runs. A seat with no pointer offers clients no wl_pointer,
// so `swaymsg seat - cursor move|press` would reach nobody; this device
// makes the seat a pointer seat. It ends when its standard input closes.
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

static zwlr_virtual_pointer_manager_v1* manager = nullptr;

static void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

static void OnGlobalRemove(void*, wl_registry*, uint32_t)
{
}

static const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "ondulite-test-pointer: cannot connect to the compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (!manager) {
        std::fprintf(stderr, "ondulite-test-pointer: the compositor offers no virtual pointers\n");
        return 1;
    }
    zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    // Answer the compositor until the test closes our input.
    for (;;) {
        wl_display_flush(display);
        struct pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {0, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) return 1;
        if (fds[0].revents & POLLIN && wl_display_dispatch(display) < 0) return 1;
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char byte;
            if (read(0, &byte, 1) <= 0) return 0;
        }
    }
}
