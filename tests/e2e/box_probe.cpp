// Shows one of the runtime's dialog boxes on the display and prints the answer (yes, no, ok).
// Usage: zl_box_probe TITLE TEXT yes_no|ok
#include <cstdio>
#include <cstring>

#include "runtime/host/desktop/host_parts.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: zl_box_probe TITLE TEXT yes_no|ok\n");
        return 2;
    }
    const auto buttons = std::strcmp(argv[3], "ok") == 0 ? zl::BoxButtons::ok : zl::BoxButtons::yes_no;
    zl::desktop::X11MessageBox box;
    const zl::BoxAnswer answer = box.show(argv[1], argv[2], buttons);
    std::printf("%s\n", answer == zl::BoxAnswer::yes ? "yes" : answer == zl::BoxAnswer::no ? "no" : "ok");
    return 0;
}
