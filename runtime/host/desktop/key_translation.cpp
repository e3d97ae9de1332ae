#include <X11/keysym.h>

#include <algorithm>
#include <iterator>

#include "runtime/core/statement_hook.h"
#include "runtime/host/desktop/host_parts.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/ports.h"

namespace zl::desktop {

namespace {

// X keycodes (evdev numbering) of keys whose scan codes are not keycode − 8.
constexpr uint32_t kKeycodeOffset = 8;
constexpr uint32_t kFirstOrdinaryKeycode = 9;    // Escape
constexpr uint32_t kLastOrdinaryKeycode = 96;    // F12
constexpr uint32_t kPauseKeycode = 127;
constexpr uint32_t kPrintKeycode = 107;

constexpr uint8_t kExtendedPrefix = 0xE0;
constexpr uint8_t kBreakBit = 0x80;
constexpr uint8_t kPauseBytes[] = {0xE1, 0x1D, 0x45, 0xE1, 0x9D, 0xC5};
constexpr uint8_t kPrintMakeBytes[] = {0xE0, 0x2A, 0xE0, 0x37};
constexpr uint8_t kPrintBreakBytes[] = {0xE0, 0xB7, 0xE0, 0xAA};

struct ExtendedKey {
    uint32_t keycode;
    uint8_t code;   // sent after the 0xE0 prefix
};

constexpr ExtendedKey kExtendedKeys[] = {
    {104, 0x1C},  // keypad Enter
    {105, 0x1D},  // right Ctrl
    {106, 0x35},  // keypad /
    {108, 0x38},  // right Alt
    {110, 0x47}, {111, 0x48}, {112, 0x49},               // Home, Up, Page Up
    {113, 0x4B}, {114, 0x4D},                            // Left, Right
    {115, 0x4F}, {116, 0x50}, {117, 0x51},               // End, Down, Page Down
    {118, 0x52}, {119, 0x53},                            // Insert, Delete
    {133, 0x5B}, {134, 0x5C}, {135, 0x5D},               // left and right Windows, Menu
};

const ExtendedKey* find_extended(uint32_t keycode) {
    const auto it = std::find_if(std::begin(kExtendedKeys), std::end(kExtendedKeys),
                                 [keycode](const ExtendedKey& key) { return key.keycode == keycode; });
    return it == std::end(kExtendedKeys) ? nullptr : it;
}

bool is_ordinary_keycode(uint32_t keycode) {
    return keycode >= kFirstOrdinaryKeycode && keycode <= kLastOrdinaryKeycode;
}

// The scan code that goes with the key's text: the make code without prefix.
uint8_t key_scan_code(uint32_t keycode) {
    if (is_ordinary_keycode(keycode)) return static_cast<uint8_t>(keycode - kKeycodeOffset);
    const ExtendedKey* extended = find_extended(keycode);
    return extended == nullptr ? 0 : extended->code;
}

bool is_modifier_or_lock(uint32_t keysym) {
    return (keysym >= XK_Shift_L && keysym <= XK_Hyper_R) || keysym == XK_Num_Lock ||
           keysym == XK_Scroll_Lock || keysym == XK_Mode_switch || keysym == XK_ISO_Level3_Shift ||
           keysym == XK_ISO_Level5_Shift;
}

// Function keys: plain, Shift, Ctrl and Alt scan codes of F1 to F10, then of F11 and F12.
uint8_t function_key_code(int index, const KeyInput& key) {
    constexpr uint8_t kLow[4] = {0x3B, 0x54, 0x5E, 0x68};    // F1 with nothing, Shift, Ctrl, Alt
    constexpr uint8_t kHigh[4] = {0x85, 0x87, 0x89, 0x8B};   // F11 likewise
    const int variant = key.alt ? 3 : key.ctrl ? 2 : key.shift ? 1 : 0;
    if (index < 10) return static_cast<uint8_t>(kLow[variant] + index);
    return static_cast<uint8_t>(kHigh[variant] + index - 10);
}

struct NavigationKey {
    uint32_t keysym;
    uint32_t keypad_keysym;   // the same key on the keypad with Num Lock off
    uint8_t plain;
    uint8_t ctrl;
    uint8_t alt;
};

constexpr NavigationKey kNavigationKeys[] = {
    {XK_Home, XK_KP_Home, 0x47, 0x77, 0x97},     {XK_Up, XK_KP_Up, 0x48, 0x8D, 0x98},
    {XK_Prior, XK_KP_Prior, 0x49, 0x84, 0x99},   {XK_Left, XK_KP_Left, 0x4B, 0x73, 0x9B},
    {XK_Right, XK_KP_Right, 0x4D, 0x74, 0x9D},   {XK_End, XK_KP_End, 0x4F, 0x75, 0x9F},
    {XK_Down, XK_KP_Down, 0x50, 0x91, 0xA0},     {XK_Next, XK_KP_Next, 0x51, 0x76, 0xA1},
    {XK_Insert, XK_KP_Insert, 0x52, 0x92, 0xA2}, {XK_Delete, XK_KP_Delete, 0x53, 0x93, 0xA3},
};

const NavigationKey* find_navigation(uint32_t keysym) {
    const auto it = std::find_if(
        std::begin(kNavigationKeys), std::end(kNavigationKeys),
        [keysym](const NavigationKey& key) { return key.keysym == keysym || key.keypad_keysym == keysym; });
    return it == std::end(kNavigationKeys) ? nullptr : it;
}

// Latin-1 characters that code page 437 has, as (Latin-1, code page 437).
constexpr uint8_t kLatin1ToCp437[][2] = {
    {0xA0, 0xFF}, {0xA1, 0xAD}, {0xA2, 0x9B}, {0xA3, 0x9C}, {0xA5, 0x9D}, {0xA7, 0x15},
    {0xAA, 0xA6}, {0xAB, 0xAE}, {0xAC, 0xAA}, {0xB0, 0xF8}, {0xB1, 0xF1}, {0xB2, 0xFD},
    {0xB5, 0xE6}, {0xB6, 0x14}, {0xB7, 0xFA}, {0xBA, 0xA7}, {0xBB, 0xAF}, {0xBC, 0xAC},
    {0xBD, 0xAB}, {0xBF, 0xA8}, {0xC4, 0x8E}, {0xC5, 0x8F}, {0xC6, 0x92}, {0xC7, 0x80},
    {0xC9, 0x90}, {0xD1, 0xA5}, {0xD6, 0x99}, {0xDC, 0x9A}, {0xDF, 0xE1}, {0xE0, 0x85},
    {0xE1, 0xA0}, {0xE2, 0x83}, {0xE4, 0x84}, {0xE5, 0x86}, {0xE6, 0x91}, {0xE7, 0x87},
    {0xE8, 0x8A}, {0xE9, 0x82}, {0xEA, 0x88}, {0xEB, 0x89}, {0xEC, 0x8D}, {0xED, 0xA1},
    {0xEE, 0x8C}, {0xEF, 0x8B}, {0xF1, 0xA4}, {0xF2, 0x95}, {0xF3, 0xA2}, {0xF4, 0x93},
    {0xF6, 0x94}, {0xF7, 0xF6}, {0xF9, 0x97}, {0xFA, 0xA3}, {0xFB, 0x96}, {0xFC, 0x81},
    {0xFF, 0x98},
};

// 0 when code page 437 lacks the character.
uint8_t cp437_of_latin1(uint32_t latin1) {
    if (latin1 < 0x80) return static_cast<uint8_t>(latin1);
    for (const auto& pair : kLatin1ToCp437) {
        if (pair[0] == latin1) return pair[1];
    }
    return 0;
}

// Alt with the digit row gives codes of their own; other Alt keys give the key's scan code.
uint8_t alt_scan_code(uint32_t keycode, uint8_t scan) {
    constexpr uint32_t kDigitOneKeycode = 10;
    constexpr uint32_t kEqualsKeycode = 21;
    constexpr uint8_t kAltDigitOne = 0x78;
    if (keycode >= kDigitOneKeycode && keycode <= kEqualsKeycode) {
        return static_cast<uint8_t>(kAltDigitOne + keycode - kDigitOneKeycode);
    }
    return scan;
}

std::optional<KeyCode> extended(uint8_t scan) {
    if (scan == 0) return std::nullopt;
    return KeyCode{0, scan};
}

void push_scan_codes(uint32_t keycode, bool pressed) {
    for (const uint8_t byte : scan_code_bytes(keycode, pressed)) push_scan_code(byte);
}

}  // namespace

// The key text of one key press, as the PC keyboard services report it. Its limits:
// - keycodes are taken in the evdev numbering (X servers on Linux, Xvfb included), and the
//   scan code is that of the key's position on a PC keyboard, whatever the layout prints on it;
// - the character is the one the X layout gives (Shift, Caps Lock, Num Lock, AltGr and Control
//   applied), kept when it is ASCII or a Latin-1 letter or sign that code page 437 holds;
//   anything else (other scripts, dead keys, compose sequences) gives no key text;
// - grey keys report as their keypad twins (character 0, no 0xE0 marker);
// - Shift, Ctrl, Alt, the Windows keys, the lock keys, Print Screen and keypad 5 with Num Lock
//   off give no key text; Alt with a keypad number does not compose a character;
// - Pause, Ctrl+Break, Alt+F4 and Alt+Enter never reach it (handle_key acts on them).
std::optional<KeyCode> translate_key(const KeyInput& key) {
    if (is_modifier_or_lock(key.keysym)) return std::nullopt;
    const uint8_t scan = key_scan_code(key.keycode);
    if (key.keysym >= XK_F1 && key.keysym <= XK_F12) {
        return KeyCode{0, function_key_code(static_cast<int>(key.keysym - XK_F1), key)};
    }
    if (const NavigationKey* nav = find_navigation(key.keysym)) {
        return KeyCode{0, key.alt ? nav->alt : key.ctrl ? nav->ctrl : nav->plain};
    }
    switch (key.keysym) {
    case XK_Return:
    case XK_KP_Enter:
        if (key.alt) return KeyCode{0, scan};
        return KeyCode{static_cast<uint8_t>(key.ctrl ? 10 : 13), scan};
    case XK_Escape:
        return key.alt ? KeyCode{0, scan} : KeyCode{27, scan};
    case XK_BackSpace:
        if (key.alt) return KeyCode{0, scan};
        return KeyCode{static_cast<uint8_t>(key.ctrl ? 127 : 8), scan};
    case XK_Tab:
    case XK_ISO_Left_Tab:
        if (key.alt) return KeyCode{0, 0xA5};
        if (key.ctrl) return KeyCode{0, 0x94};
        return key.shift ? KeyCode{0, scan} : KeyCode{9, scan};
    default:
        break;
    }
    if (key.alt && !key.ctrl) return extended(alt_scan_code(key.keycode, scan));
    if (!key.has_character) return std::nullopt;
    const uint8_t character = cp437_of_latin1(key.latin1);
    if (character == 0 && key.latin1 != 0) return std::nullopt;
    // Ctrl+2 and friends give character 0: an extended key holding the scan code.
    return KeyCode{character, scan};
}

std::vector<uint8_t> scan_code_bytes(uint32_t keycode, bool pressed) {
    if (keycode == kPauseKeycode) {
        if (!pressed) return {};   // Pause has no break code
        return {std::begin(kPauseBytes), std::end(kPauseBytes)};
    }
    if (keycode == kPrintKeycode) {
        return pressed ? std::vector<uint8_t>(std::begin(kPrintMakeBytes), std::end(kPrintMakeBytes))
                       : std::vector<uint8_t>(std::begin(kPrintBreakBytes), std::end(kPrintBreakBytes));
    }
    const uint8_t release = pressed ? 0 : kBreakBit;
    if (is_ordinary_keycode(keycode)) {
        return {static_cast<uint8_t>((keycode - kKeycodeOffset) | release)};
    }
    if (const ExtendedKey* key = find_extended(keycode)) {
        return {kExtendedPrefix, static_cast<uint8_t>(key->code | release)};
    }
    return {};
}

KeyAction handle_key(const KeyInput& key, bool pressed) {
    push_scan_codes(key.keycode, pressed);
    if (!pressed) return KeyAction::none;
    const bool pause_key = key.keycode == kPauseKeycode || key.keysym == XK_Pause;
    if (key.keysym == XK_Break || (pause_key && key.ctrl) || (key.alt && key.keysym == XK_F4)) {
        request_exit();
        return KeyAction::exit_run;
    }
    if (pause_key) {
        request_pause();
        return KeyAction::pause;
    }
    // Any other key press ends a pause, a modifier or lock key too, and is consumed.
    if (run_requests.pause.load(std::memory_order_relaxed)) {
        release_pause();
        return KeyAction::release_pause;
    }
    if (is_modifier_or_lock(key.keysym)) return KeyAction::none;
    if (key.alt && (key.keysym == XK_Return || key.keysym == XK_KP_Enter)) {
        return KeyAction::cycle_fullscreen;
    }
    const std::optional<KeyCode> code = translate_key(key);
    if (!code) return KeyAction::none;
    push_key(code->character, code->scan_code);   // a full ring drops the key
    return KeyAction::queue;
}

}  // namespace zl::desktop
