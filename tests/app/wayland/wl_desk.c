/* What the Wayland test needs of a desktop besides the compositor: a launcher's activation token and
 * a mouse. Usage: wl_desk token     prints a fresh xdg-activation token, as a launcher would pass
 *                                   one in XDG_ACTIVATION_TOKEN
 *                 wl_desk pointer   one virtual pointer for the whole run: each line "click X Y" read
 *                                   from standard input moves it to X,Y of the output and clicks,
 *                                   and "clicked" is written once the compositor has handled it
 * The pointer is there before the program starts: a client learns of a new one only after the
 * first events of it are gone. It is wlroots' virtual pointer protocol, whose few requests are
 * declared here, since no Debian package ships its description. */
#include "xdg-activation-v1-client-protocol.h"

#include <stdio.h>
#include <string.h>
#include <wayland-client.h>

/* zwlr_virtual_pointer_manager_v1 and zwlr_virtual_pointer_v1, as far as used here. */
extern const struct wl_interface vp_pointer_interface;
static const struct wl_interface* vp_create_types[] = {&wl_seat_interface, &vp_pointer_interface};
static const struct wl_message vp_manager_requests[] = {
    {"create_virtual_pointer", "?on", vp_create_types},
    {"destroy", "", NULL},
};
static const struct wl_interface vp_manager_interface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, vp_manager_requests, 0, NULL};
static const struct wl_interface* vp_none[] = {NULL, NULL, NULL, NULL, NULL};
static const struct wl_message vp_pointer_requests[] = {
    {"motion", "uff", vp_none},   {"motion_absolute", "uuuuu", vp_none},
    {"button", "uuu", vp_none},   {"axis", "uuf", vp_none},
    {"frame", "", vp_none},       {"axis_source", "u", vp_none},
    {"axis_stop", "uu", vp_none}, {"axis_discrete", "uufi", vp_none},
    {"destroy", "", vp_none},
};
const struct wl_interface vp_pointer_interface = {"zwlr_virtual_pointer_v1", 1, 9,
                                                  vp_pointer_requests,       0, NULL};
enum
{
    VP_CREATE = 0,
    VP_MOTION_ABSOLUTE = 1,
    VP_BUTTON = 2,
    VP_FRAME = 4,
    VP_DESTROY = 8
};

static struct xdg_activation_v1* activation;
static struct wl_proxy* pointer_manager;
static struct wl_seat* seat;
static char* token;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version)
{
    (void)data;
    (void)version;
    if (strcmp(interface, xdg_activation_v1_interface.name) == 0)
        activation = wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1);
    else if (strcmp(interface, vp_manager_interface.name) == 0)
        pointer_manager = wl_registry_bind(registry, name, &vp_manager_interface, 1);
    else if (strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static void token_done(void* data, struct xdg_activation_token_v1* t, const char* value)
{
    (void)data;
    (void)t;
    token = strdup(value);
}

static const struct xdg_activation_token_v1_listener token_listener = {token_done};

static void pointer(struct wl_display* display)
{
    const uint32_t extent = 100000, left = 0x110 /* BTN_LEFT */;
    struct wl_proxy* p =
        wl_proxy_marshal_constructor(pointer_manager, VP_CREATE, &vp_pointer_interface, seat, NULL);
    wl_display_roundtrip(display);
    char line[128];
    uint32_t time = 0, x, y;
    while (fgets(line, sizeof line, stdin)) {
        if (sscanf(line, "click %u %u", &x, &y) != 2)
            continue;
        /* The output is 1280x1024 in the test's compositor; positions are given in its pixels. */
        wl_proxy_marshal(p, VP_MOTION_ABSOLUTE, time += 10, x * extent / 1280, y * extent / 1024, extent,
                         extent);
        wl_proxy_marshal(p, VP_FRAME);
        wl_proxy_marshal(p, VP_BUTTON, time += 10, left, 1);
        wl_proxy_marshal(p, VP_FRAME);
        wl_proxy_marshal(p, VP_BUTTON, time += 10, left, 0);
        wl_proxy_marshal(p, VP_FRAME);
        wl_display_roundtrip(display);
        puts("clicked");
        fflush(stdout);
    }
    wl_proxy_marshal(p, VP_DESTROY);
    wl_proxy_destroy(p);
    wl_display_roundtrip(display);
}

int main(int argc, char** argv)
{
    if (argc != 2 || (strcmp(argv[1], "token") != 0 && strcmp(argv[1], "pointer") != 0)) {
        fputs("usage: wl_desk token | pointer\n", stderr);
        return 2;
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fputs("wl_desk: no Wayland display\n", stderr);
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (strcmp(argv[1], "token") == 0) {
        if (!activation) {
            fputs("wl_desk: the compositor has no xdg_activation_v1\n", stderr);
            return 1;
        }
        struct xdg_activation_token_v1* t = xdg_activation_v1_get_activation_token(activation);
        xdg_activation_token_v1_add_listener(t, &token_listener, NULL);
        xdg_activation_token_v1_set_app_id(t, "vidmarro");
        xdg_activation_token_v1_commit(t);
        while (!token && wl_display_dispatch(display) != -1) {
        }
        xdg_activation_token_v1_destroy(t);
        if (!token)
            return 1;
        puts(token);
    } else {
        if (!pointer_manager) {
            fputs("wl_desk: the compositor has no virtual pointer\n", stderr);
            return 1;
        }
        pointer(display);
    }
    /* Let go of what this side holds, so that a leak checker finds nothing left at exit. */
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
