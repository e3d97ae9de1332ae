#include "runtime/runtime.h"

#include "runtime/core/error_state.h"
#include "runtime/core/random.h"
#include "runtime/core/statement_hook.h"
#include "runtime/core/static_pool.h"
#include "runtime/core/strings.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/low_memory.h"
#include "runtime/machine/ports.h"
#include "runtime/screen/display_copy.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/window_state.h"

namespace zl {

void runtime_reset() {
    error_state.pending_error = 0;
    error_state.event_pending = 0;
    error_state.retry_statement = 0;
    run_requests.pause = false;
    run_requests.exit = false;
    random_seed = kRandomStartState;
    reset_string_store();
    reset_static_pool();
    reset_low_memory();
    reset_ports();
    reset_key_ring();
    reset_window_state();
    reset_screen();
    reset_display_copy();
    set_statement_task(serve_display_copy);
    set_palette_source(write_page_palette);
}

}  // namespace zl
