// The pieces of the desktop host and what they hand each other: the frame exchange between the
// frame producer and the window thread, the cursor blink of the event timer, the sound device,
// the program control, the key translation and the window. Only the host's own files include it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/core/message_box.h"
#include "runtime/core/program_control.h"
#include "runtime/machine/sound.h"
#include "runtime/screen/frame_render.h"

namespace zl::desktop {

// Three frames passed without a lock: the producer draws into back(), publish() makes it the
// newest; the window thread's take_newest() swaps the newest in when one came since its last take.
class FrameExchange {
public:
    Frame& back() { return frames_[back_]; }
    void publish();
    // The newest frame when one was published since the last call, else nullptr.
    const Frame* take_newest();
    const Frame& front() const { return frames_[front_]; }

private:
    static constexpr int kFresh = 4;
    std::array<Frame, 3> frames_{};
    int back_ = 0;    // producer's own
    int front_ = 1;   // window thread's own
    std::atomic<int> middle_{2};   // slot index, with kFresh while not yet taken
};

// The text cursor's blink phase, flipped by the event-timer thread.
struct CursorBlink {
    std::atomic<bool> on{true};
    std::atomic<uint32_t> generation{0};
};

// Event-timer thread: ticks the cursor blink for the rest of the run.
[[noreturn]] void run_event_timer(CursorBlink& blink);

// OpenAL Soft output: one source fed from queued buffers, processed buffers given back.
class OpenAlSound : public SoundSink {
public:
    enum class OpenResult { ok, no_device, no_context };
    OpenResult open();
    void close();
    void service_queue() override;
    void queue_samples(std::vector<int16_t> stereo) override;

private:
    void unqueue_processed();
    // The beep (program thread) and the main loop both touch the source's queue.
    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
    std::atomic<bool> open_{false};
    void* device_ = nullptr;    // ALCdevice*, set before the threads start
    void* context_ = nullptr;   // ALCcontext*
    uint32_t source_ = 0;
};

// Ends the program thread by handing the process's end to the main-loop thread.
class DesktopProgramControl : public ProgramControl {
public:
    [[noreturn]] void stop_program_thread() override;
    [[noreturn]] void end_process(int exit_code) override;
    bool shutdown_requested() const { return shutdown_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> shutdown_{false};
};

// Main-loop thread: 16 ms cycle of retrace flags, sound queue and (every second cycle) frames;
// ends the process in order once the program thread has stopped.
[[noreturn]] void run_main_loop(FrameExchange& frames, OpenAlSound& sound,
                                const DesktopProgramControl& control, CursorBlink& blink);

// Dialog boxes as X11 windows of their own connection; stderr when no display opens.
class X11MessageBox : public MessageBoxHost {
public:
    BoxAnswer show(const std::string& title, const std::string& text, BoxButtons buttons) override;
};

// One key press as the key listener sees it.
struct KeyInput {
    uint32_t keycode = 0;     // X keycode (evdev numbering: PC set-1 code + 8 for ordinary keys)
    uint32_t keysym = 0;      // keysym with Shift, Caps Lock and Num Lock applied
    uint32_t latin1 = 0;      // the character XLookupString gave (Control applied)
    bool has_character = false;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

// A key_ring entry: character code and scan code; character 0 marks an extended key.
struct KeyCode {
    uint8_t character = 0;
    uint8_t scan_code = 0;
};

std::optional<KeyCode> translate_key(const KeyInput& key);

// Make (pressed) or break bytes of a key for the keyboard data port, prefixes included.
std::vector<uint8_t> scan_code_bytes(uint32_t keycode, bool pressed);

// What a key press does besides (or instead of) queueing key text.
enum class KeyAction { queue, pause, release_pause, exit_run, cycle_fullscreen, none };

// Applies one key press or release: pause, exit, Alt+Enter, the port bytes, the key ring.
// Returns what it did with the press (releases give none).
KeyAction handle_key(const KeyInput& key, bool pressed);

// A second Xlib connection that selects key presses and releases on the freeglut window: it
// sees the keycodes and the Pause key that freeglut keeps to itself.
class KeyListener {
public:
    KeyListener() = default;
    ~KeyListener();
    KeyListener(const KeyListener&) = delete;
    KeyListener& operator=(const KeyListener&) = delete;
    // Takes over an open connection (Display*) and selects key events on the window.
    void open(void* connection, unsigned long window);
    // Handles every key event that arrived; returns how many Alt+Enter presses came.
    int poll();

private:
    void* display_ = nullptr;   // Display*
};

// Window thread: the freeglut window, its frames, title, full screen and keys. Never returns.
[[noreturn]] void run_window(int argc, char** argv, FrameExchange& frames);

// No window to be had (no display, no display mode, a freeglut error, the display lost): exit
// code 1 at once with the audio device closed, without the exit() handlers, which would tear
// the runtime down under the threads still using it. Any thread may call it.
[[noreturn]] void end_without_window();

}  // namespace zl::desktop
