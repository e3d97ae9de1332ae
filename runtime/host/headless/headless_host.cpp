#include "runtime/host/headless/headless_host.h"

#include "runtime/runtime.h"

namespace zl {

BoxAnswer ScriptedMessageBox::show(const std::string& title, const std::string& text,
                                   BoxButtons buttons) {
    shown.push_back(ShownBox{title, text, buttons});
    if (answers.empty()) return buttons == BoxButtons::ok ? BoxAnswer::ok : BoxAnswer::yes;
    const BoxAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

void ThrowingProgramControl::stop_program_thread() { throw ProgramStopped{0, true}; }

void ThrowingProgramControl::end_process(int exit_code) { throw ProgramStopped{exit_code, false}; }

HeadlessHost::HeadlessHost() {
    set_message_box_host(&boxes);
    set_program_control(&control);
    set_sound_sink(&sound);
    runtime_reset();
}

HeadlessHost::~HeadlessHost() {
    set_sound_sink(nullptr);
    set_program_control(nullptr);
    set_message_box_host(nullptr);
}

}  // namespace zl
