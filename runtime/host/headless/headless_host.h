// Owns the headless host for tests and the series runner: scripted message boxes, a program
// control that records the end instead of ending the process, silent sound, and no frame
// producer (a screen-mode hand-over is acknowledged at once).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "runtime/core/message_box.h"
#include "runtime/core/program_control.h"
#include "runtime/machine/sound.h"

namespace zl {

struct ShownBox {
    std::string title;
    std::string text;
    BoxButtons buttons;
};

// Records each box and answers from a script (Yes / OK when the script is empty).
class ScriptedMessageBox : public MessageBoxHost {
public:
    BoxAnswer show(const std::string& title, const std::string& text, BoxButtons buttons) override;
    std::vector<ShownBox> shown;
    std::deque<BoxAnswer> answers;
};

// Thrown by ThrowingProgramControl so a test sees where the program would have ended.
struct ProgramStopped {
    int exit_code = 0;
    bool thread_stopped = false;   // true: stop_program_thread; false: end_process
};

class ThrowingProgramControl : public ProgramControl {
public:
    [[noreturn]] void stop_program_thread() override;
    [[noreturn]] void end_process(int exit_code) override;
};

// Keeps every tone it is given.
class RecordingSoundSink : public SoundSink {
public:
    void service_queue() override { ++services; }
    void queue_samples(std::vector<int16_t> stereo) override { tones.push_back(std::move(stereo)); }
    int services = 0;
    std::vector<std::vector<int16_t>> tones;
};

// Installs the headless doubles and resets the runtime; uninstalls them when it goes.
class HeadlessHost {
public:
    HeadlessHost();
    ~HeadlessHost();
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    ScriptedMessageBox boxes;
    ThrowingProgramControl control;
    RecordingSoundSink sound;
};

}  // namespace zl
