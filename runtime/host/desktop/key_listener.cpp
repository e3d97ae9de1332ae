#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "runtime/host/desktop/host_parts.h"

namespace zl::desktop {

namespace {

Display* as_display(void* display) { return static_cast<Display*>(display); }

KeyInput key_input_of(XKeyEvent& event) {
    KeyInput key;
    char text[8] = {};
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &keysym, nullptr);
    key.keycode = event.keycode;
    key.keysym = static_cast<uint32_t>(keysym);
    key.has_character = length == 1;
    key.latin1 = key.has_character ? static_cast<uint8_t>(text[0]) : 0;
    key.shift = (event.state & ShiftMask) != 0;
    key.ctrl = (event.state & ControlMask) != 0;
    key.alt = (event.state & Mod1Mask) != 0;
    return key;
}

}  // namespace

KeyListener::~KeyListener() {
    if (display_ != nullptr) XCloseDisplay(as_display(display_));
}

void KeyListener::open(void* connection, unsigned long window) {
    Display* display = as_display(connection);
    // Without this, held keys (and keys injected by XTEST) bring a release before each repeat.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    XSelectInput(display, static_cast<Window>(window), KeyPressMask | KeyReleaseMask);
    XFlush(display);
    display_ = display;
}

int KeyListener::poll() {
    Display* display = as_display(display_);
    if (display == nullptr) return 0;
    int fullscreen_steps = 0;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != KeyPress && event.type != KeyRelease) continue;
        const KeyInput key = key_input_of(event.xkey);
        if (handle_key(key, event.type == KeyPress) == KeyAction::cycle_fullscreen) ++fullscreen_steps;
    }
    return fullscreen_steps;
}

}  // namespace zl::desktop
