// Owns the runtime's start-up tables: one call puts every service in its start-up state.
#pragma once

namespace zl {

// Fresh runtime: string store, static pool, low memory, ports, key ring, error flags, random
// sequence, and the 80 × 25 text screen. Tests start from here in one line.
void runtime_reset();

}  // namespace zl
