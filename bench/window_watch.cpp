// Watches an X server's top-level windows for the window benchmark and prints, one line each,
//
//   SECONDS map|paint|unmap WINDOW NAME
//
// SECONDS is the wall clock (as bash's EPOCHREALTIME), "paint" the first drawing into a window
// after each map (the X Damage extension; Qt's windows have no background the server paints,
// so the first damage after a map is the program's own), NAME the window's title. Runs until
// killed.

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>

namespace {

struct Watched {
    xcb_damage_damage_t damage = 0;
    bool awaitingPaint = false;
    std::string name;
};

double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::string PropertyText(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply) {
        return {};
    }
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

// The title as the desktop shows it: _NET_WM_NAME, else WM_NAME.
std::string WindowName(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t netWmName) {
    std::string name = PropertyText(connection, window, netWmName);
    return name.empty() ? PropertyText(connection, window, XCB_ATOM_WM_NAME) : name;
}

void Print(const char* what, xcb_window_t window, const std::string& name) {
    std::printf("%.6f %s 0x%x %s\n", WallSeconds(), what, window, name.c_str());
    std::fflush(stdout);
}

}  // namespace

int main() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "window_watch: cannot connect to the X server\n");
        return 1;
    }
    const xcb_query_extension_reply_t* damageExtension =
        xcb_get_extension_data(connection, &xcb_damage_id);
    if (damageExtension == nullptr || damageExtension->present == 0) {
        std::fprintf(stderr, "window_watch: the X server has no Damage extension\n");
        return 1;
    }
    std::free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                             nullptr));

    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> netWmName(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 12, "_NET_WM_NAME"),
                              nullptr),
        &std::free);
    const xcb_atom_t netWmNameAtom =
        netWmName ? netWmName->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    std::printf("%.6f ready 0x%x root\n", WallSeconds(), root);
    std::fflush(stdout);

    std::map<xcb_window_t, Watched> windows;
    std::map<xcb_damage_damage_t, xcb_window_t> owners;
    const int damageNotify = damageExtension->first_event + XCB_DAMAGE_NOTIFY;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const int type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            Watched& watched = windows[created->window];
            watched.damage = xcb_generate_id(connection);
            xcb_damage_create(connection, watched.damage, created->window,
                              XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
            owners[watched.damage] = created->window;
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
            const auto found = windows.find(mapped->window);
            if (found != windows.end()) {
                found->second.name = WindowName(connection, mapped->window, netWmNameAtom);
                Print("map", mapped->window, found->second.name);
                found->second.awaitingPaint = true;
            }
        } else if (type == XCB_UNMAP_NOTIFY) {
            const auto* unmapped = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
            const auto found = windows.find(unmapped->window);
            if (found != windows.end()) {
                Print("unmap", unmapped->window, found->second.name);
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            const auto* destroyed = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            const auto found = windows.find(destroyed->window);
            if (found != windows.end()) {
                owners.erase(found->second.damage);
                windows.erase(found);
            }
        } else if (type == damageNotify) {
            const auto* damaged = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            const auto owner = owners.find(damaged->damage);
            if (owner != owners.end()) {
                Watched& watched = windows[owner->second];
                if (watched.awaitingPaint) {
                    watched.awaitingPaint = false;
                    Print("paint", owner->second, watched.name);
                }
            }
        }
        std::free(event);
        xcb_flush(connection);
    }
    xcb_disconnect(connection);
    return 0;
}
