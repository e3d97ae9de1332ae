// The desktop host's key path (translation, port bytes, pause, exit, the full ring) and its
// frame exchange, without a display.
#include <gtest/gtest.h>
#include <X11/keysym.h>

#include <optional>
#include <string>
#include <vector>

#include "runtime/core/statement_hook.h"
#include "runtime/host/desktop/host_parts.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/ports.h"

namespace zl::desktop {
namespace {

// Keycodes of a PC keyboard under X (evdev numbering).
constexpr uint32_t kEscape = 9, kDigitOne = 10, kKeyA = 38, kKeyE = 26, kReturn = 36, kTab = 23;
constexpr uint32_t kShiftLeft = 50, kCtrlLeft = 37, kAltLeft = 64, kF1 = 67, kF4 = 70, kF12 = 96;
constexpr uint32_t kKeypad8 = 80;
constexpr uint32_t kUp = 111, kDelete = 119, kKeypadEnter = 104, kPause = 127, kKey2 = 11;

struct Modifiers {
    bool shift = false, ctrl = false, alt = false;
};

KeyInput key(uint32_t keycode, uint32_t keysym, int character = -1, Modifiers mods = {}) {
    KeyInput input;
    input.keycode = keycode;
    input.keysym = keysym;
    input.has_character = character >= 0;
    input.latin1 = character >= 0 ? static_cast<uint32_t>(character) : 0;
    input.shift = mods.shift;
    input.ctrl = mods.ctrl;
    input.alt = mods.alt;
    return input;
}

TEST(KeyTranslation, KeyTextOfTheKeysAPcKeyboardReports) {
    struct Case {
        const char* what;
        KeyInput input;
        std::optional<KeyCode> expected;
    };
    const Modifiers shift{true, false, false}, ctrl{false, true, false}, alt{false, false, true};
    const Case kCases[] = {
        {"a", key(kKeyA, XK_a, 'a'), KeyCode{'a', 0x1E}},
        {"Shift+a", key(kKeyA, XK_A, 'A', shift), KeyCode{'A', 0x1E}},
        {"Ctrl+a", key(kKeyA, XK_a, 1, ctrl), KeyCode{1, 0x1E}},
        {"Alt+a", key(kKeyA, XK_a, 'a', alt), KeyCode{0, 0x1E}},
        {"Alt+1", key(kDigitOne, XK_1, '1', alt), KeyCode{0, 0x78}},
        {"Ctrl+2", key(kKey2, XK_2, 0, ctrl), KeyCode{0, 0x03}},
        {"Escape", key(kEscape, XK_Escape, 27), KeyCode{27, 0x01}},
        {"Enter", key(kReturn, XK_Return, 13), KeyCode{13, 0x1C}},
        {"keypad Enter", key(kKeypadEnter, XK_KP_Enter, 13), KeyCode{13, 0x1C}},
        {"Ctrl+Enter", key(kReturn, XK_Return, 10, ctrl), KeyCode{10, 0x1C}},
        {"Tab", key(kTab, XK_Tab, 9), KeyCode{9, 0x0F}},
        {"Shift+Tab", key(kTab, XK_ISO_Left_Tab, -1, shift), KeyCode{0, 0x0F}},
        {"F1", key(kF1, XK_F1), KeyCode{0, 0x3B}},
        {"Shift+F1", key(kF1, XK_F1, -1, shift), KeyCode{0, 0x54}},
        {"Ctrl+F1", key(kF1, XK_F1, -1, ctrl), KeyCode{0, 0x5E}},
        {"F12", key(kF12, XK_F12), KeyCode{0, 0x86}},
        {"Up", key(kUp, XK_Up), KeyCode{0, 0x48}},
        {"Ctrl+Delete", key(kDelete, XK_Delete, 127, ctrl), KeyCode{0, 0x93}},
        {"keypad 8, Num Lock off", key(kKeypad8, XK_KP_Up), KeyCode{0, 0x48}},
        {"keypad 8, Num Lock on", key(kKeypad8, XK_KP_8, '8'), KeyCode{'8', 0x48}},
        {"e acute", key(kKeyE, XK_eacute, 0xE9), KeyCode{0x82, 0x12}},
        {"Shift alone", key(kShiftLeft, XK_Shift_L, -1, shift), std::nullopt},
        {"Caps Lock", key(66, XK_Caps_Lock), std::nullopt},
        {"Num Lock", key(77, XK_Num_Lock), std::nullopt},
        {"a character code page 437 lacks", key(kKeyE, XK_EuroSign), std::nullopt},
        {"Latin-1 sign code page 437 lacks", key(kKeyE, XK_copyright, 0xA9), std::nullopt},
    };
    for (const Case& c : kCases) {
        const std::optional<KeyCode> got = translate_key(c.input);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.what;
        if (!got) continue;
        EXPECT_EQ(got->character, c.expected->character) << c.what;
        EXPECT_EQ(got->scan_code, c.expected->scan_code) << c.what;
    }
}

TEST(KeyTranslation, MakeAndBreakBytesForTheKeyboardPort) {
    EXPECT_EQ(scan_code_bytes(kKeyA, true), (std::vector<uint8_t>{0x1E}));
    EXPECT_EQ(scan_code_bytes(kKeyA, false), (std::vector<uint8_t>{0x9E}));
    EXPECT_EQ(scan_code_bytes(kUp, true), (std::vector<uint8_t>{0xE0, 0x48}));
    EXPECT_EQ(scan_code_bytes(kUp, false), (std::vector<uint8_t>{0xE0, 0xC8}));
    EXPECT_EQ(scan_code_bytes(kPause, true), (std::vector<uint8_t>{0xE1, 0x1D, 0x45, 0xE1, 0x9D, 0xC5}));
    EXPECT_TRUE(scan_code_bytes(kPause, false).empty());
    EXPECT_TRUE(scan_code_bytes(250, true).empty());
}


TEST(KeyHandling, AFloodFillsFifteenSlotsAndDropsTheRestInOrder) {
    HeadlessHost host;
    for (int i = 0; i < 40; ++i) {
        const char letter = static_cast<char>('a' + i % 26);
        handle_key(key(kKeyA, static_cast<uint32_t>(letter), letter), true);
    }
    EXPECT_EQ(key_ring_count(), 15);
    for (int i = 0; i < 15; ++i) {
        string_descriptor* text = read_key();
        ASSERT_EQ(text->length, 1);
        EXPECT_EQ(text->bytes[0], 'a' + i);
        string_free(text);
    }
    EXPECT_EQ(key_ring_count(), 0);
    // The port's queue is its own: every make code of the flood reached it.
    EXPECT_EQ(read_port(kPortKeyboardData), 0x1E);
}

TEST(KeyHandling, PauseHoldsUntilAnyOtherKeyPressWhichIsConsumed) {
    struct Case {
        const char* what;
        KeyInput input;
    };
    const Case kCases[] = {
        {"a", key(kKeyA, XK_a, 'a')},
        {"Shift", key(kShiftLeft, XK_Shift_L, -1, {true, false, false})},
        {"Ctrl", key(kCtrlLeft, XK_Control_L, -1, {false, true, false})},
        {"Alt", key(kAltLeft, XK_Alt_L, -1, {false, false, true})},
        {"Caps Lock", key(66, XK_Caps_Lock)},
        {"Num Lock", key(77, XK_Num_Lock)},
    };
    for (const Case& c : kCases) {
        HeadlessHost host;
        EXPECT_EQ(handle_key(key(kPause, XK_Pause), true), KeyAction::pause) << c.what;
        EXPECT_EQ(handle_key(key(kPause, XK_Pause), true), KeyAction::pause) << c.what;
        EXPECT_EQ(handle_key(c.input, false), KeyAction::none) << c.what;
        EXPECT_TRUE(run_requests.pause.load()) << c.what << ": a release ended the pause";
        EXPECT_EQ(handle_key(c.input, true), KeyAction::release_pause) << c.what;
        EXPECT_FALSE(run_requests.pause.load()) << c.what;
        EXPECT_EQ(key_ring_count(), 0) << c.what;
        EXPECT_EQ(handle_key(key(kKeyA, XK_a, 'a'), true), KeyAction::queue) << c.what;
        EXPECT_EQ(key_ring_count(), 1) << c.what;
    }
}

TEST(KeyHandling, BreakAltF4AndAltEnterQueueNoKeyText) {
    struct Case {
        const char* what;
        KeyInput input;
        KeyAction action;
        bool exit;
    };
    const Case kCases[] = {
        {"Ctrl+Pause", key(kPause, XK_Pause, -1, {false, true, false}), KeyAction::exit_run, true},
        {"Break", key(kPause, XK_Break, -1, {false, true, false}), KeyAction::exit_run, true},
        {"Alt+F4", key(kF4, XK_F4, -1, {false, false, true}), KeyAction::exit_run, true},
        {"Alt+Enter", key(kReturn, XK_Return, 13, {false, false, true}), KeyAction::cycle_fullscreen, false},
    };
    for (const Case& c : kCases) {
        HeadlessHost host;
        EXPECT_EQ(handle_key(c.input, true), c.action) << c.what;
        EXPECT_EQ(run_requests.exit.load(), c.exit) << c.what;
        EXPECT_EQ(key_ring_count(), 0) << c.what;
    }
}

TEST(KeyHandling, ReleasesSendBreakCodesOnly) {
    HeadlessHost host;
    EXPECT_EQ(handle_key(key(kKeyA, XK_a, 'a'), false), KeyAction::none);
    EXPECT_EQ(key_ring_count(), 0);
    EXPECT_EQ(read_port(kPortKeyboardData), 0x9E);
}

Frame frame_of_width(int width) {
    Frame frame;
    frame.width = width;
    return frame;
}

TEST(FrameExchange, TheWindowTakesOnlyTheNewestFrameAndEachOnce) {
    FrameExchange frames;
    EXPECT_EQ(frames.take_newest(), nullptr);
    frames.back() = frame_of_width(1);
    frames.publish();
    frames.back() = frame_of_width(2);
    frames.publish();
    const Frame* newest = frames.take_newest();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->width, 2);
    EXPECT_EQ(frames.take_newest(), nullptr);
    EXPECT_EQ(frames.front().width, 2);
    // The producer never draws into the frame the window holds.
    EXPECT_NE(&frames.back(), &frames.front());
}

}  // namespace
}  // namespace zl::desktop
