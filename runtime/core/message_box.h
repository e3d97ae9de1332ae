// Owns the message-box interface through which the runtime shows error and fatal boxes. The
// desktop host puts up a real dialog; tests script the answer.
#pragma once

#include <string>

namespace zl {

enum class BoxButtons { ok, yes_no };
enum class BoxAnswer { ok, yes, no };

class MessageBoxHost {
public:
    virtual ~MessageBoxHost() = default;
    // Shows a system-modal box and blocks until it is answered.
    virtual BoxAnswer show(const std::string& title, const std::string& text, BoxButtons buttons) = 0;
};

// Installs the box host (not owned). With none installed, boxes are written to stderr and
// answered No / OK.
void set_message_box_host(MessageBoxHost* host);
BoxAnswer show_message_box(const std::string& title, const std::string& text, BoxButtons buttons);

}  // namespace zl
