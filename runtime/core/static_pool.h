// Owns the store for program variables (bump-allocated, given back by resetting next) and the
// scope locks, one per routine activation.
#pragma once

#include <cstdint>

namespace zl {

struct StaticPool {
    uint8_t* base = nullptr;
    uint8_t* next = nullptr;
    uint8_t* limit = nullptr;
    int32_t size = 0;
};

extern StaticPool static_pool;

constexpr int32_t kStaticPoolStartSize = 1048576;

// Size rounded up to 8; a new pool of size + 2 × previous size when the current one is full.
// The block is not cleared.
void* static_alloc(int32_t size);

struct scope_lock {
    uint64_t id = 0;
    int32_t kind = 0;
    void* attached = nullptr;
};

constexpr int32_t kScopeKindRoutine = 3;

extern scope_lock* latest_scope_lock;

uint64_t scope_lock_new();
void scope_lock_free(scope_lock* lock);

void reset_static_pool();

}  // namespace zl
