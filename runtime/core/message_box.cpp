#include "runtime/core/message_box.h"

#include <atomic>
#include <cstdio>

namespace zl {

namespace {

std::atomic<MessageBoxHost*> installed_host{nullptr};

// With no window to show it in, the box goes to stderr and gets the answer that ends the run.
BoxAnswer show_on_stderr(const std::string& title, const std::string& text, BoxButtons buttons) {
    std::fprintf(stderr, "[%s]\n%s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
    return buttons == BoxButtons::ok ? BoxAnswer::ok : BoxAnswer::no;
}

}  // namespace

void set_message_box_host(MessageBoxHost* host) { installed_host.store(host); }

BoxAnswer show_message_box(const std::string& title, const std::string& text, BoxButtons buttons) {
    MessageBoxHost* host = installed_host.load();
    if (host == nullptr) return show_on_stderr(title, text, buttons);
    return host->show(title, text, buttons);
}

}  // namespace zl
