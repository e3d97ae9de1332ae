#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "runtime/core/message_box.h"
#include "runtime/core/process_setup.h"
#include "runtime/core/program_control.h"
#include "runtime/host/desktop/desktop_host.h"
#include "runtime/host/desktop/host_parts.h"
#include "runtime/machine/clock.h"
#include "runtime/machine/sound.h"
#include "runtime/runtime.h"
#include "runtime/screen/screen_mode.h"

namespace zl {

namespace {

constexpr int kExitNoAudioDevice = 111;
constexpr int kExitNoAudioContext = 222;

// The host lives as long as the process; its threads never end before it does.
struct DesktopHost {
    desktop::FrameExchange frames;
    desktop::CursorBlink blink;
    desktop::OpenAlSound sound;
    desktop::DesktopProgramControl control;
    desktop::X11MessageBox boxes;
};

DesktopHost* host = nullptr;
void (*program_entry)() = nullptr;

void open_sound_or_exit(desktop::OpenAlSound& sound) {
    switch (sound.open()) {
    case desktop::OpenAlSound::OpenResult::ok:
        return;
    case desktop::OpenAlSound::OpenResult::no_device:
        std::fprintf(stderr,
                     "zentrolux: no audio output device could be opened; to run without sound, "
                     "choose OpenAL Soft's null output: ALSOFT_DRIVERS=null\n");
        std::exit(kExitNoAudioDevice);
    case desktop::OpenAlSound::OpenResult::no_context:
        std::fprintf(stderr, "zentrolux: no audio context could be made on the audio device\n");
        std::exit(kExitNoAudioContext);
    }
}

// Files the program names are found beside the executable, wherever it was started from.
void change_to_executable_folder() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) return;
    path.resize(static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return;
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    if (chdir(folder.c_str()) != 0) std::perror("zentrolux: cannot change to the program's folder");
}

void start_thread(void (*body)()) { std::thread(body).detach(); }

// Xlib calls this when a connection to the display breaks, and would call exit(1) after it.
int on_display_lost(Display*) {
    std::fputs("zentrolux: the connection to the X display was lost\n", stderr);
    desktop::end_without_window();
}

}  // namespace

void desktop::end_without_window() {
    host->sound.close();
    std::fflush(nullptr);
    std::_Exit(1);
}

void start_desktop(int argc, char** argv, void (*program)()) {
    program_entry = program;
    // The key listener, the window and the dialogs use Xlib from three threads.
    XInitThreads();
    XSetIOErrorHandler(on_display_lost);
    set_command_line(argc, argv);
    runtime_reset();
    host = new DesktopHost;
    open_sound_or_exit(host->sound);
    change_to_executable_folder();
    wait_for_second_change();
    note_time_of_day();
    reset_screen();
    set_sound_sink(&host->sound);
    set_program_control(&host->control);
    set_message_box_host(&host->boxes);

    start_thread([] { program_entry(); });
    start_thread([] { desktop::run_event_timer(host->blink); });
    start_thread([] { desktop::run_main_loop(host->frames, host->sound, host->control, host->blink); });
    desktop::run_window(argc, argv, host->frames);
}

}  // namespace zl
