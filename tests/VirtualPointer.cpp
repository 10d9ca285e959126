// SPDX-License-Identifier: MIT
#include "VirtualPointer.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstring>

namespace {

// The protocol's two interfaces, written out as wayland-scanner would from its description: no
// Debian package ships that description, and these few requests are all the test sends.
extern const wl_interface pointerInterface;

const wl_interface* const noTypes[5] = {};
const wl_interface* const createTypes[2] = {&wl_seat_interface, &pointerInterface};
const wl_message managerRequests[] = {
    {"create_virtual_pointer", "?on", const_cast<const wl_interface**>(createTypes)},
    {"destroy", "", const_cast<const wl_interface**>(noTypes)},
};
const wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1", 1, 2, managerRequests, 0, nullptr};

const wl_message pointerRequests[] = {
    {"motion", "uff", const_cast<const wl_interface**>(noTypes)},
    {"motion_absolute", "uuuuu", const_cast<const wl_interface**>(noTypes)},
    {"button", "uuu", const_cast<const wl_interface**>(noTypes)},
    {"axis", "uuf", const_cast<const wl_interface**>(noTypes)},
    {"frame", "", const_cast<const wl_interface**>(noTypes)},
    {"axis_source", "u", const_cast<const wl_interface**>(noTypes)},
    {"axis_stop", "uu", const_cast<const wl_interface**>(noTypes)},
    {"axis_discrete", "uufi", const_cast<const wl_interface**>(noTypes)},
    {"destroy", "", const_cast<const wl_interface**>(noTypes)},
};
const wl_interface pointerInterface = {"zwlr_virtual_pointer_v1", 1, 9, pointerRequests, 0, nullptr};

enum PointerRequest : uint32_t { MotionAbsolute = 1, Button = 2, Frame = 4, Destroy = 8 };
enum ManagerRequest : uint32_t { CreateVirtualPointer = 0, DestroyManager = 1 };

struct Globals {
    wl_proxy* seat = nullptr;
    wl_proxy* manager = nullptr;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, managerInterface.name) == 0)
        globals->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
}
void globalRemoved(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {global, globalRemoved};

}  // namespace

VirtualPointer::VirtualPointer()
{
    display_ = wl_display_connect(nullptr);
    if (!display_)
        return;
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display_);
    wl_registry_add_listener(registry, &registryListener, &globals);
    wl_display_roundtrip(display_);
    wl_registry_destroy(registry);
    seat_ = globals.seat;
    manager_ = globals.manager;
    if (!seat_ || !manager_)
        return;
    pointer_ = wl_proxy_marshal_flags(manager_, CreateVirtualPointer, &pointerInterface, 1, 0, seat_, nullptr);
    wl_display_roundtrip(display_);
}

VirtualPointer::~VirtualPointer()
{
    if (pointer_)
        wl_proxy_marshal_flags(pointer_, Destroy, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
    if (manager_)
        wl_proxy_marshal_flags(manager_, DestroyManager, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
    if (seat_)
        wl_proxy_destroy(seat_);
    if (display_)
        wl_display_disconnect(display_);
}

void VirtualPointer::click(QPoint point, QSize screen)
{
    if (!pointer_)
        return;
    wl_proxy_marshal_flags(pointer_, MotionAbsolute, nullptr, 1, 0, ++time_, static_cast<uint32_t>(point.x()),
                           static_cast<uint32_t>(point.y()), static_cast<uint32_t>(screen.width()),
                           static_cast<uint32_t>(screen.height()));
    frame();
    for (uint32_t state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
        wl_proxy_marshal_flags(pointer_, Button, nullptr, 1, 0, ++time_, static_cast<uint32_t>(BTN_LEFT), state);
        frame();
    }
    // Back only once the compositor has handled all of it.
    wl_display_roundtrip(display_);
}

void VirtualPointer::frame() { wl_proxy_marshal_flags(pointer_, Frame, nullptr, 1, 0); }
